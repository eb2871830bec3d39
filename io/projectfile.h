#pragma once

#include <QImage>
#include <QList>
#include <QPixmap>
#include <QPointF>
#include <QString>

#include <functional>
#include <memory>
#include <string>

struct CoverageSettings;
class CaliberGraphicsItem;
class ObjectGraphicsItem;
class PlanGraphicsItem;
class QGraphicsPixmapItem;
class QGraphicsScene;
class SensorGraphicsItem2;
class TreeNode;

// The "Image" value of a plan pixmap: the Base64 text of its PNG file as it was
// loaded (or as a save first encoded it), which later saves write again
// instead of encoding the pixmap anew. It belongs to the pixmap whose cache key
// it holds; a pixmap changed or replaced since has another key and is encoded.
struct PlanImageText
{
    std::shared_ptr<const std::string> base64;
    qint64 pixmapKey = 0;

    bool belongsTo(const QPixmap &pixmap) const
    {
        return base64 && !pixmap.isNull() && pixmap.cacheKey() == pixmapKey;
    }
    void clear() { *this = PlanImageText(); }
};

// The parts a project is made of. The main window points them at its members;
// a program without a window builds its own scene and items and points them
// there. Every pointer must be set, except coverage and planImageText.
struct ProjectParts
{
    QGraphicsScene *scene = nullptr;
    QGraphicsPixmapItem *planImage = nullptr;
    // The plan image as read from its file, without the watermark.
    QPixmap *planPixmap = nullptr;
    // The "Image" value as read when it could not be decoded (too large, or
    // damaged): while the plan pixmap is null it is written back unchanged.
    // Loading sets it; whoever sets another plan image empties it.
    std::string *keptImage = nullptr;
    CaliberGraphicsItem *caliber = nullptr;
    PlanGraphicsItem *plan = nullptr;
    // The scene owns the obstacles and detectors; the lists only refer to them.
    QList<ObjectGraphicsItem *> *objects = nullptr;
    QList<SensorGraphicsItem2 *> *sensors = nullptr;
    // The coverage targets and map switch, saved as the "Coverage" entry; when
    // null, nothing of them is written or read.
    CoverageSettings *coverage = nullptr;
    // The plan pixmap's text; loading sets it, a save sets it when it had to
    // encode the pixmap. Optional: without it every save encodes the pixmap.
    PlanImageText *planImageText = nullptr;
};

// Optional calls into the owner of the parts while a project is loaded.
struct ProjectLoadHooks
{
    // Once the file is known to be a project, before anything of the current
    // one changes: the place to end editing and clear list selections.
    std::function<void()> aboutToReplace;
    // Makes image the plan image (stored as the plan pixmap) and shows it with
    // its point centre on the scene origin. Without it the image is shown as it
    // is, and hidden when it is null.
    std::function<void(const QPixmap &image, QPointF centre)> setPlanImage;
    // A loaded obstacle, already in the list and the scene.
    std::function<void(ObjectGraphicsItem *)> obstacleLoaded;
    // A loaded detector, already in the list and the scene, before the zones
    // are computed and the label texts refreshed.
    std::function<void(SensorGraphicsItem2 *)> detectorLoaded;
};

struct ProjectLoadResult
{
    enum Status
    {
        Loaded,
        // The file could not be opened; nothing changed.
        CannotOpen,
        // "App" missing or not this program's mark; nothing changed.
        WrongFormat
    };

    Status status = CannotOpen;
    // With CannotOpen: the file is larger than ProjectLimits::maxFileBytes, or
    // holds more lines than ProjectLimits::maxNodeEnds allows, and was not read.
    bool fileTooLarge = false;
    // "Image" held something that is not a PNG this program accepts (damaged,
    // or larger than ProjectLimits::maxImageBytes once decoded). It is not
    // shown, but kept as it was (ProjectParts::keptImage), so a save writes it
    // back unchanged.
    bool imageUnreadable = false;
    bool imageTooLarge = false;
    // Entries read but refused, as the format allows.
    int obstaclesRejected = 0;
    int detectorsRejected = 0;
    bool outlineRejected = false;
    // Entries left out because a list exceeded its limit (ProjectLimits).
    int obstaclesOverLimit = 0;
    int detectorsOverLimit = 0;

    bool loaded() const { return status == Loaded; }
    // Parts of the file that a later save would not write back.
    bool lostSomething() const
    {
        return outlineRejected || obstaclesOverLimit > 0 || detectorsOverLimit > 0;
    }
};

// Saving and loading of ".prj" project files: the project's plan image, its
// placement and scale, the scale mark, the outline, the obstacles, the
// detectors and the coverage settings in the text tree format.
namespace ProjectFile {

// The application mark written as "App" and required on loading.
constexpr const char *applicationMark = "ZOR-51ma Position";

// The obstacle entry name of a shape kind: "Rect", "Ellipse" or "Polygon".
const char *obstacleEntryName(int kind);
// The shape kind of an entry name ("Object" reads as a rectangle), or -1.
int obstacleKindFromEntry(const std::string &name);

// Builds the project tree under root (which should be empty).
void writeProject(const ProjectParts &parts, TreeNode &root);
// Writes the project to path through SaveFile: on failure the file that was
// there stays as it was. False, with *error saying why, when the file could not
// be written. The tree is taken from the parts first; then the rest of the
// work (encoding a plan pixmap without its text, writing, waiting for the
// disk), which touches neither the parts nor anything of the window's thread,
// is handed to runWrite when given, to be run and its result returned, say on
// another thread while the window waits. The parts must not change meanwhile.
bool saveProject(const ProjectParts &parts, const QString &path, QString *error = nullptr,
    const std::function<bool(const std::function<bool()> &)> &runWrite = {});

// Replaces the project by the one in the tree root (as read from a file). The
// detector entries of the tree get the keys they miss, with their defaults.
ProjectLoadResult readProject(
    const ProjectParts &parts, TreeNode &root, const ProjectLoadHooks &hooks = {});
// Reads path and replaces the project by it. A file that cannot be opened (a
// folder or a device included), is too large or is not a project changes
// nothing.
ProjectLoadResult loadProject(
    const ProjectParts &parts, const QString &path, const ProjectLoadHooks &hooks = {});

// Removes every detector, then every obstacle, from the scene, destroys them and
// empties both lists.
void removeObstaclesAndDetectors(const ProjectParts &parts);

// The plan image as PNG in Base64, empty for a null pixmap.
std::string encodePlanImage(const QPixmap &image);
// The "Image" value written for the plan pixmap: its text when the parts hold
// the one belonging to it, otherwise the pixmap encoded (and kept as its text
// when the parts have room for it). Null for a null pixmap.
std::shared_ptr<const std::string> planImageValue(const ProjectParts &parts);
// The image of an "Image" value; a null image when the value does not decode
// to a PNG, or when the decoded image would exceed ProjectLimits::maxImageBytes
// (then *tooLarge is set). The size is checked before anything is decoded, and
// a value longer than ProjectLimits::maxImageText is too large without decoding.
QImage decodePlanImage(const std::string &base64, bool *tooLarge = nullptr);
// The size of the image an "Image" value holds, read from the PNG header
// without decoding the pixels; an invalid size where decodePlanImage would give
// a null image (and *tooLarge as it would set it), except that damage past the
// header goes unnoticed.
QSize planImageSize(const std::string &base64, bool *tooLarge = nullptr);

} // namespace ProjectFile
