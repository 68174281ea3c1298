#include "app/startup/ExportCommand.h"

#include "media/export/Mp4Export.h"

#include <ostream>

int runExport(const CommandLine::Export& request, std::ostream& errors)
{
    const media::ExportResult result =
        media::exportToMp4(request.source, request.target, {request.from, request.to});
    if (!result.ok) {
        errors << "oculon: " << result.error << "\n";
        return 1;
    }
    return 0;
}
