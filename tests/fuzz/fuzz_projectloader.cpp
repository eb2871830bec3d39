// libFuzzer target: the project loader on arbitrary bytes, with the round trip
// as oracle: whatever loads saves, and load, save, load, save writes the same
// bytes twice without losing an entry the first load kept.
#include "detectors/sensorgraphicsitem2.h"
#include "io/projectdocument.h"
#include "io/projectfile.h"
#include "io/projectlimits.h"
#include "io/treenode.h"
#include "plan/plangraphicsitem.h"

#include <QApplication>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>

namespace {

// Reads text into a fresh project as loading a file does.
ProjectLoadResult load(ProjectDocument &project, const std::string &text)
{
    std::istringstream in(text);
    TreeNode root;
    if (!root.read(in, ProjectLimits::maxNodeEnds))
        return ProjectLoadResult();
    ProjectLoadHooks hooks;
    hooks.setPlanImage
        = [&project](const QPixmap &image, QPointF centre) { project.setPlanImage(image, centre); };
    return ProjectFile::readProject(project.parts(), root, hooks);
}

std::string save(ProjectDocument &project)
{
    TreeNode root;
    ProjectFile::writeProject(project.parts(), root);
    std::ostringstream out;
    if (!root.write(out, -1))
        std::abort();
    return out.str();
}

void fail(const char *what)
{
    std::fprintf(stderr, "round trip: %s\n", what);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // A scene and pixmaps need the application object. It lives for the whole
    // run and is never destroyed, so that the leak check at exit sees the
    // platform's screens still in use.
    static QApplication *application = new QApplication(*argc, *argv);
    Q_UNUSED(application)
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char *>(data), size);
    ProjectDocument first;
    if (!load(first, text).loaded())
        return 0;
    const std::string once = save(first);

    ProjectDocument second;
    const ProjectLoadResult again = load(second, once);
    if (!again.loaded())
        fail("the saved project does not load");
    if (again.obstaclesRejected != 0 || again.detectorsRejected != 0 || again.outlineRejected
        || again.obstaclesOverLimit != 0 || again.detectorsOverLimit != 0)
        fail("the saved project loses entries on loading");
    if (second.objects().size() != first.objects().size()
        || second.sensors().size() != first.sensors().size()
        || second.plan().polygon().size() != first.plan().polygon().size())
        fail("the saved project loads with other counts");
    if (save(second) != once)
        fail("the second save differs from the first");
    return 0;
}
