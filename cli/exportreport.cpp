#include "cli/clisupport.h"

#include "io/designreport.h"
#include "io/projectdocument.h"

// The export-report command: the design report, written by the same function
// as the configurator's.
namespace Cli {

bool writeReport(const Invocation &call, ProjectDocument &project, QString *why)
{
    return exportDesignReport(
        project, call.files.at(0), call.files.at(1), pageSize(call.paper), why);
}

} // namespace Cli
