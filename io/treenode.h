#pragma once

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

// A point and a rectangle of single-precision components, the shapes the
// composite values of a tree are made of.
struct TreePoint
{
    float x = 0;
    float y = 0;
};

struct TreeRect
{
    float left = 0;
    float top = 0;
    float right = 0;
    float bottom = 0;
};

// One node of the text tree: a name, an optional value and, for a head, an
// ordered list of children it owns. Names and values are byte strings (the
// program keeps UTF-8 in them); numbers are written and read with a decimal
// point whatever the process locale is.
//
// Reading, writing and destroying work without recursion, so a tree of any
// depth (a hostile file of nested heads included) never exhausts the stack.
class TreeNode
{
public:
    enum ValueKind
    {
        Text = 0,
        Integer = 1,
        Real = 2
    };

    explicit TreeNode(std::string name = std::string());
    ~TreeNode();
    TreeNode(TreeNode &&other) noexcept;
    TreeNode &operator=(TreeNode &&other) noexcept;
    TreeNode(const TreeNode &) = delete;
    TreeNode &operator=(const TreeNode &) = delete;

    const std::string &name() const { return m_name; }
    void setName(std::string name) { m_name = std::move(name); }
    ValueKind kind() const { return m_kind; }
    const std::string &value() const { return m_shared ? *m_shared : m_value; }
    // Moves the value out (a copy of a shared one), leaving an empty text.
    std::string takeValue();

    // True once a child list exists: the writer then brackets the name and
    // adds a closing line.
    bool hasChildList() const { return m_children != nullptr; }

    // Destroys the children (and the list), empties the value, kind Text; the
    // name stays.
    void clear();

    TreeNode &addChild(std::string name);
    // First child named exactly name; when there is none, a new one if create
    // is set, otherwise null.
    TreeNode *child(const std::string &name, bool create = false);
    const TreeNode *child(const std::string &name) const;
    std::size_t childCount() const;
    TreeNode *childAt(std::size_t index);
    const TreeNode *childAt(std::size_t index) const;

    void setText(const std::string &text);
    // A text value held with whoever else holds it instead of copied, for a
    // long text that is written often: the plan image's. Null is empty.
    void setSharedText(std::shared_ptr<const std::string> text);
    void setInteger(long long value);
    void setReal(double value);
    void setPoint(TreePoint point);
    void setPointAndValue(TreePoint point, float value);
    void setRect(TreeRect rect);
    void setRectAndValue(TreeRect rect, float value);

    // The getters parse the value text and never fail; text without a number
    // and components missing at the end read as 0.
    std::string toText() const { return value(); }
    long long toInteger() const;
    double toReal() const;
    TreePoint toPoint() const;
    TreePoint toPointAndValue(float &value) const;
    TreeRect toRect() const;
    TreeRect toRectAndValue(float &value) const;

    // Writes this node and its subtree at the given depth (the root of a file
    // at -1, so that its children stand without indentation). Returns false
    // when the stream failed.
    bool write(std::ostream &stream, int depth) const;
    // Appends to this node whatever the stream holds, up to its end or to a
    // closing line at this node's own level. The stream is read once; a line
    // takes about its own length in memory. With maxNodeEnds set, reading
    // stops and returns false as soon as the stream turns out to hold more
    // line breaks and '>' bytes than that (counted over the whole stream,
    // quoted values and what follows a closing line included); what was read
    // until then stays.
    bool read(std::istream &stream, std::int64_t maxNodeEnds = -1);

private:
    using ChildList = std::vector<std::unique_ptr<TreeNode>>;

    void destroyChildren();

    std::string m_name;
    std::string m_value;
    // Set by setSharedText only; then it is the value and m_value is empty.
    std::shared_ptr<const std::string> m_shared;
    ValueKind m_kind = Text;
    std::unique_ptr<ChildList> m_children;

    friend class TreeReader;
};
