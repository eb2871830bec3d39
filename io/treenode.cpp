#include "treenode.h"

#include "treenumbers.h"

#include "io/memoryadvice.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <istream>
#include <limits>
#include <ostream>
#include <utility>

namespace {

constexpr char kLineEnd[] = "\r\n";
constexpr int kMaxIndent = 64;

// A double narrowed to float the way the hardware does it, without the
// undefined behaviour of converting a value beyond the float range.
float toFloat(double value)
{
    constexpr double largest = std::numeric_limits<float>::max();
    if (value > largest)
        return std::numeric_limits<float>::infinity();
    if (value < -largest)
        return -std::numeric_limits<float>::infinity();
    return static_cast<float>(value);
}

std::string joinReals(std::initializer_list<double> values)
{
    std::string text;
    for (double v : values) {
        if (!text.empty())
            text += ',';
        text += TreeNumbers::formatReal(v);
    }
    return text;
}

// Reads up to count numbers of a composite value: a number as strtod reads
// it, then exactly one byte skipped, then the next. Numbers missing at the end
// read as 0.
void readReals(const std::string &text, double *values, int count)
{
    const char *p = text.data();
    const char *end = p + text.size();
    for (int i = 0; i < count; ++i) {
        const char *stop = p;
        values[i] = TreeNumbers::parseReal(p, end, &stop);
        p = stop < end ? stop + 1 : end;
    }
}

// The line breaks and '>' bytes in [begin, end), by memchr: a long value
// without them (a plan image's text) is passed over at the speed of memory.
std::int64_t countNodeEnds(const char *begin, const char *end)
{
    std::int64_t count = 0;
    for (const char c : { '\n', '\r', '>' }) {
        for (const char *p = begin; p < end; ++p) {
            p = static_cast<const char *>(std::memchr(p, c, std::size_t(end - p)));
            if (!p)
                break;
            ++count;
        }
    }
    return count;
}

} // namespace

// The reader of the text tree format, one byte at a time through a buffer.
// Levels are kept on an explicit stack instead of the call stack, so nesting
// depth costs only memory proportional to the input.
class TreeReader
{
public:
    TreeReader(std::istream &stream, std::int64_t maxNodeEnds)
        : m_stream(stream)
        , m_maxNodeEnds(maxNodeEnds)
    {
        // What is left of the stream bounds every line, so a long line gets
        // its room at once instead of growing by doubling.
        if (std::streambuf *buffer = m_stream.rdbuf()) {
            const auto in = std::ios::in;
            const std::streamoff here = buffer->pubseekoff(0, std::ios::cur, in);
            const std::streamoff end = buffer->pubseekoff(0, std::ios::end, in);
            if (here >= 0 && end >= here && buffer->pubseekpos(here, in) == here)
                m_unread = end - here;
        }
    }

    // False when the stream held more node ends than allowed; what was read
    // up to there stays in root.
    bool read(TreeNode &root);

private:
    struct Line
    {
        std::string token;
        std::string name;
        std::size_t contentLength = 0;
        bool inQuotes = false;
        bool head = false;
        bool mayBeNumber = true;
        int phase = 0;
    };

    int next()
    {
        if (m_pos == m_end && !refill())
            return -1;
        return static_cast<unsigned char>(*m_pos++);
    }

    bool refill()
    {
        if (m_eof)
            return false;
        const std::streamsize got = m_stream.rdbuf()
            ? m_stream.rdbuf()->sgetn(m_buffer.get(), static_cast<std::streamsize>(kBufferSize))
            : 0;
        if (got <= 0) {
            m_eof = true;
            return false;
        }
        m_pos = m_buffer.get();
        m_end = m_pos + got;
        if (m_unread >= 0)
            m_unread = std::max<std::int64_t>(0, m_unread - got);
        if (m_maxNodeEnds >= 0) {
            m_nodeEnds += countNodeEnds(m_pos, m_end);
            if (m_nodeEnds > m_maxNodeEnds) {
                m_overLimit = true;
                m_eof = true;
                return false;
            }
        }
        return true;
    }

    // Makes room in token for count more bytes. Past a small size the room
    // becomes all the stream may still bring, which is allocated once and, as
    // long as the line is not finished, only touched where it is written.
    void reserve(std::string &token, std::size_t count)
    {
        const std::size_t needed = token.size() + count;
        if (needed <= token.capacity() || m_unread < 0 || token.capacity() < kBufferSize)
            return;
        token.reserve(needed + std::size_t(m_unread) + std::size_t(m_end - m_pos));
        adviseLargePages(&token[0] + token.size(), token.capacity() - token.size());
    }

    void append(Line &line, const char *begin, const char *end)
    {
        reserve(line.token, std::size_t(end - begin));
        line.token.append(begin, end);
    }

    void append(Line &line, char c)
    {
        reserve(line.token, 1);
        line.token += c;
    }

    // A finished text that kept much more room than it uses gives it back.
    static void settle(std::string &text)
    {
        if (text.capacity() > 2 * text.size() + kBufferSize)
            text.shrink_to_fit();
    }

    // Inside quotes in a value only a quote and a backslash mean anything; the
    // plain bytes up to the next of them are taken in one piece.
    void takeQuotedRun(Line &line)
    {
        const char *start = m_pos;
        const std::size_t left = std::size_t(m_end - m_pos);
        const void *quote = std::memchr(m_pos, '"', left);
        const char *stop = quote ? static_cast<const char *>(quote) : m_end;
        const void *backslash = std::memchr(m_pos, '\\', std::size_t(stop - m_pos));
        m_pos = backslash ? static_cast<const char *>(backslash) : stop;
        if (m_pos != start) {
            append(line, start, m_pos);
            line.contentLength = line.token.size();
        }
    }

    TreeNode *finishLine(Line &line, TreeNode *level);

    std::istream &m_stream;
    const std::int64_t m_maxNodeEnds;
    std::int64_t m_nodeEnds = 0;
    // Bytes of the stream not yet in the buffer; -1 when the stream cannot tell.
    std::int64_t m_unread = -1;
    bool m_overLimit = false;
    static constexpr std::size_t kBufferSize = 1 << 16;
    std::unique_ptr<char[]> m_buffer { new char[kBufferSize] };
    const char *m_pos = nullptr;
    const char *m_end = nullptr;
    bool m_eof = false;
};

TreeNode *TreeReader::finishLine(Line &line, TreeNode *level)
{
    line.token.resize(line.contentLength);
    settle(line.token);
    TreeNode &node = line.phase == 1 ? level->addChild(std::move(line.token))
                                     : level->addChild(std::move(line.name));
    if (line.phase == 2) {
        node.m_value = std::move(line.token);
        const char *begin = node.m_value.data();
        const char *end = begin + node.m_value.size();
        if (line.mayBeNumber && begin != end) {
            if (TreeNumbers::isWholeInteger(begin, end))
                node.m_kind = TreeNode::Integer;
            else if (TreeNumbers::isWholeReal(begin, end))
                node.m_kind = TreeNode::Real;
        }
    }
    TreeNode *result = line.head ? &node : level;
    line = Line();
    return result;
}

bool TreeReader::read(TreeNode &root)
{
    std::vector<TreeNode *> levels { &root };
    Line line;
    for (;;) {
        const int c = next();
        if (c < 0) {
            if (line.phase != 0 && !m_overLimit)
                finishLine(line, levels.back());
            return !m_overLimit;
        }
        if (!line.inQuotes) {
            if ((c == ' ' || c == '\t') && line.token.empty())
                continue;
            if (c == '\r' || c == '\n') {
                if (line.phase != 0) {
                    TreeNode *level = finishLine(line, levels.back());
                    if (level != levels.back())
                        levels.push_back(level);
                }
                continue;
            }
        }
        if (line.phase == 0) {
            if (c == '<') {
                line.head = true;
                line.phase = 1;
                continue;
            }
            line.phase = 1;
            if (c == '"') {
                line.inQuotes = !line.inQuotes;
                continue;
            }
        } else if (c == '"') {
            line.inQuotes = !line.inQuotes;
            if (line.phase == 2)
                line.mayBeNumber = false;
            continue;
        }
        if (c == '\\') {
            const int escaped = next();
            if (escaped < 0) {
                if (!m_overLimit)
                    finishLine(line, levels.back());
                return !m_overLimit;
            }
            append(line, static_cast<char>(escaped));
            line.contentLength = line.token.size();
            continue;
        }
        if (c == '>' && line.phase == 1 && line.head) {
            if (!line.token.empty() && line.token.front() == '/') {
                // A closing line; what follows on it belongs to the enclosing level.
                line = Line();
                if (levels.size() == 1) {
                    // The limit holds for the whole stream, read or not.
                    while (m_maxNodeEnds >= 0 && refill())
                        m_pos = m_end;
                    return !m_overLimit;
                }
                levels.pop_back();
                continue;
            }
            levels.push_back(finishLine(line, levels.back()));
            continue;
        }
        if (c == '=' && line.phase == 1) {
            line.token.resize(line.contentLength);
            settle(line.token);
            line.name = std::move(line.token);
            line.token.clear();
            line.contentLength = 0;
            line.mayBeNumber = true;
            line.phase = 2;
            continue;
        }
        append(line, static_cast<char>(c));
        if (line.inQuotes || (c != '\t' && c != '\n' && c != '\r' && c != ' '))
            line.contentLength = line.token.size();
        if (line.inQuotes && line.phase == 2)
            takeQuotedRun(line);
    }
}

TreeNode::TreeNode(std::string name)
    : m_name(std::move(name))
{
}

TreeNode::~TreeNode()
{
    destroyChildren();
}

TreeNode::TreeNode(TreeNode &&other) noexcept
    : m_name(std::move(other.m_name))
    , m_value(std::move(other.m_value))
    , m_shared(std::move(other.m_shared))
    , m_kind(other.m_kind)
    , m_children(std::move(other.m_children))
{
    other.m_kind = Text;
}

TreeNode &TreeNode::operator=(TreeNode &&other) noexcept
{
    if (this != &other) {
        destroyChildren();
        m_name = std::move(other.m_name);
        m_value = std::move(other.m_value);
        m_shared = std::move(other.m_shared);
        m_kind = other.m_kind;
        m_children = std::move(other.m_children);
        other.m_kind = Text;
    }
    return *this;
}

// Dismantles the subtree breadth-first so that no destructor recurses more
// than one level, however deep the tree is.
void TreeNode::destroyChildren()
{
    if (!m_children)
        return;
    ChildList pending = std::move(*m_children);
    m_children.reset();
    while (!pending.empty()) {
        std::unique_ptr<TreeNode> node = std::move(pending.back());
        pending.pop_back();
        if (node->m_children) {
            for (auto &grandChild : *node->m_children)
                pending.push_back(std::move(grandChild));
            node->m_children.reset();
        }
    }
}

void TreeNode::clear()
{
    destroyChildren();
    m_value.clear();
    m_shared.reset();
    m_kind = Text;
}

TreeNode &TreeNode::addChild(std::string name)
{
    if (!m_children)
        m_children = std::make_unique<ChildList>();
    m_children->push_back(std::make_unique<TreeNode>(std::move(name)));
    return *m_children->back();
}

TreeNode *TreeNode::child(const std::string &name, bool create)
{
    if (m_children) {
        for (const auto &node : *m_children) {
            if (node->m_name == name)
                return node.get();
        }
    }
    return create ? &addChild(name) : nullptr;
}

const TreeNode *TreeNode::child(const std::string &name) const
{
    return const_cast<TreeNode *>(this)->child(name, false);
}

std::size_t TreeNode::childCount() const
{
    return m_children ? m_children->size() : 0;
}

TreeNode *TreeNode::childAt(std::size_t index)
{
    if (!m_children || index >= m_children->size())
        return nullptr;
    return (*m_children)[index].get();
}

const TreeNode *TreeNode::childAt(std::size_t index) const
{
    return const_cast<TreeNode *>(this)->childAt(index);
}

void TreeNode::setText(const std::string &text)
{
    m_value = text;
    m_shared.reset();
    m_kind = Text;
}

void TreeNode::setSharedText(std::shared_ptr<const std::string> text)
{
    m_value.clear();
    m_shared = std::move(text);
    m_kind = Text;
}

void TreeNode::setInteger(long long value)
{
    m_shared.reset();
    m_value = TreeNumbers::formatInteger(value);
    m_kind = Integer;
}

void TreeNode::setReal(double value)
{
    m_shared.reset();
    m_value = TreeNumbers::formatReal(value);
    m_kind = Real;
}

void TreeNode::setPoint(TreePoint point)
{
    m_shared.reset();
    m_value = joinReals({ point.x, point.y });
    m_kind = Real;
}

void TreeNode::setPointAndValue(TreePoint point, float value)
{
    m_shared.reset();
    m_value = joinReals({ point.x, point.y, value });
    m_kind = Real;
}

void TreeNode::setRect(TreeRect rect)
{
    m_shared.reset();
    const float width = rect.right - rect.left;
    const float height = rect.bottom - rect.top;
    m_value = joinReals({ rect.left, rect.top, width, height });
    m_kind = Real;
}

void TreeNode::setRectAndValue(TreeRect rect, float value)
{
    m_shared.reset();
    const float width = rect.right - rect.left;
    const float height = rect.bottom - rect.top;
    m_value = joinReals({ rect.left, rect.top, width, height, value });
    m_kind = Real;
}

long long TreeNode::toInteger() const
{
    const char *stop = nullptr;
    const std::string &text = value();
    return TreeNumbers::parseInteger(text.data(), text.data() + text.size(), &stop);
}

double TreeNode::toReal() const
{
    const char *stop = nullptr;
    const std::string &text = value();
    return TreeNumbers::parseReal(text.data(), text.data() + text.size(), &stop);
}

TreePoint TreeNode::toPoint() const
{
    double v[2];
    readReals(this->value(), v, 2);
    return { toFloat(v[0]), toFloat(v[1]) };
}

TreePoint TreeNode::toPointAndValue(float &value) const
{
    double v[3];
    readReals(this->value(), v, 3);
    value = toFloat(v[2]);
    return { toFloat(v[0]), toFloat(v[1]) };
}

TreeRect TreeNode::toRect() const
{
    double v[4];
    readReals(this->value(), v, 4);
    const float left = toFloat(v[0]);
    const float top = toFloat(v[1]);
    return { left, top, toFloat(left + v[2]), toFloat(top + v[3]) };
}

TreeRect TreeNode::toRectAndValue(float &value) const
{
    double v[5];
    readReals(this->value(), v, 5);
    const float left = toFloat(v[0]);
    const float top = toFloat(v[1]);
    value = toFloat(v[4]);
    return { left, top, toFloat(left + v[2]), toFloat(top + v[3]) };
}

namespace {

// The output of the writer; remembers whether any byte failed to go out.
class Sink
{
public:
    explicit Sink(std::streambuf &out)
        : m_out(out)
    {
    }

    void put(char c) { m_ok = m_out.sputc(c) != std::char_traits<char>::eof() && m_ok; }
    void put(const char *data, std::size_t size)
    {
        const auto count = static_cast<std::streamsize>(size);
        m_ok = m_out.sputn(data, count) == count && m_ok;
    }
    void put(const std::string &text) { put(text.data(), text.size()); }
    // Indentation means nothing to the reader; past a few dozen levels it is
    // capped so that writing a hostile, deeply nested tree stays linear.
    void indent(int depth)
    {
        static const std::string tabs(kMaxIndent, '\t');
        if (depth > 0)
            put(tabs.data(), static_cast<std::size_t>(std::min(depth, kMaxIndent)));
    }
    bool finish() { return m_out.pubsync() == 0 && m_ok; }

private:
    std::streambuf &m_out;
    bool m_ok = true;
};

// The bytes of a long value go out in runs between the quotes and backslashes
// it holds, each found by memchr, so that a plan image's text is written at
// the speed of copying it.
void writeQuoted(Sink &out, const std::string &value)
{
    out.put('"');
    const char *p = value.data();
    const char *end = p + value.size();
    const auto find = [&end](const char *from, char c) {
        const void *found = std::memchr(from, c, std::size_t(end - from));
        return found ? static_cast<const char *>(found) : end;
    };
    const char *quote = find(p, '"');
    const char *backslash = find(p, '\\');
    while (p < end) {
        const char *stop = std::min(quote, backslash);
        out.put(p, static_cast<std::size_t>(stop - p));
        if (stop == end)
            break;
        out.put('\\');
        out.put(*stop);
        p = stop + 1;
        if (stop == quote)
            quote = find(p, '"');
        else
            backslash = find(p, '\\');
    }
    out.put('"');
}

// One line of a node: indentation, name (bracketed for a head) and value.
void writeLine(Sink &out, const TreeNode &node, int depth)
{
    const std::string &name = node.name();
    const std::string &value = node.value();
    out.indent(depth);
    if (!name.empty()) {
        if (node.hasChildList())
            out.put('<');
        out.put(name);
        if (node.hasChildList())
            out.put('>');
    }
    if (!value.empty()) {
        out.put('=');
        if (node.kind() == TreeNode::Text)
            writeQuoted(out, value);
        else
            out.put(value);
        out.put(kLineEnd, 2);
    } else if (!name.empty()) {
        out.put(kLineEnd, 2);
    }
}

void writeClosing(Sink &out, const TreeNode &node, int depth)
{
    if (!node.hasChildList() || node.name().empty())
        return;
    out.indent(depth);
    out.put("</>", 3);
    out.put(kLineEnd, 2);
}

} // namespace

bool TreeNode::write(std::ostream &stream, int depth) const
{
    if (!stream.rdbuf() || !stream.good())
        return false;
    Sink out(*stream.rdbuf());
    // Depth-first walk with an explicit stack of (node, next child) pairs.
    struct Frame
    {
        const TreeNode *node;
        std::size_t next;
        int depth;
    };
    std::vector<Frame> stack;
    writeLine(out, *this, depth);
    stack.push_back({ this, 0, depth });
    while (!stack.empty()) {
        Frame &top = stack.back();
        if (top.next < top.node->childCount()) {
            const TreeNode *node = top.node->childAt(top.next++);
            const int childDepth = top.depth + 1;
            writeLine(out, *node, childDepth);
            stack.push_back({ node, 0, childDepth });
        } else {
            writeClosing(out, *top.node, top.depth);
            stack.pop_back();
        }
    }
    if (!out.finish())
        stream.setstate(std::ios::badbit);
    return stream.good();
}

bool TreeNode::read(std::istream &stream, std::int64_t maxNodeEnds)
{
    TreeReader reader(stream, maxNodeEnds);
    return reader.read(*this);
}

std::string TreeNode::takeValue()
{
    if (m_shared) {
        std::string copy = *m_shared;
        m_shared.reset();
        m_kind = Text;
        return copy;
    }
    std::string value = std::move(m_value);
    m_value.clear();
    m_kind = Text;
    return value;
}
