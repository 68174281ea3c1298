#include "app/log/Logging.h"

#include "app/log/LogFile.h"
#include "platform/ini/IniFile.h"

#include <QRegularExpression>

#include <chrono>
#include <cstdio>
#include <map>
#include <memory>
#include <mutex>
#include <set>

Q_LOGGING_CATEGORY(cameraLog, "oculon.camera", QtInfoMsg)
Q_LOGGING_CATEGORY(recordingLog, "oculon.recording", QtInfoMsg)
Q_LOGGING_CATEGORY(diskLog, "oculon.disk", QtInfoMsg)
Q_LOGGING_CATEGORY(configLog, "oculon.config", QtInfoMsg)

namespace logging {
namespace {

std::unique_ptr<LogFile> g_file;
bool g_toStandardError = true;
QtMessageHandler g_previous = nullptr;

const char* levelWord(QtMsgType type)
{
    switch (type) {
    case QtDebugMsg: return " debug";
    case QtInfoMsg: return "";
    case QtWarningMsg: return " warning";
    case QtCriticalMsg: return " error";
    case QtFatalMsg: return " fatal";
    }
    return "";
}

void handle(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    const std::string line = formatLine(type, context.category, text, QDateTime::currentDateTime());
    if (g_toStandardError) {
        const std::string withEnd = line + "\n";
        std::fwrite(withEnd.data(), 1, withEnd.size(), stderr);
    }
    if (g_file)
        g_file->write(line);
}

} // namespace

std::string formatLine(QtMsgType type, const char* category, const QString& text, const QDateTime& when)
{
    static const QRegularExpression password(QStringLiteral(R"((://[^/\s:@]*):[^@\s/]*@)"));
    static const QRegularExpression authorization(QStringLiteral(R"((Authorization:\s*)[^\r\n]*)"),
                                                  QRegularExpression::CaseInsensitiveOption);
    QString masked = text;
    masked.replace(password, QStringLiteral("\\1:***@"));
    masked.replace(authorization, QStringLiteral("\\1***"));
    const char* name = category && category[0] ? category : "default";
    return when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")).toStdString() + " " + name + levelWord(type) + ": "
           + masked.toStdString();
}

void start(const Options& options)
{
    // Debug lines of our own categories only with --verbose; Qt's own stay
    // as Qt and QT_LOGGING_RULES set them.
    QLoggingCategory::setFilterRules(options.verbose ? QStringLiteral("oculon.*.debug=true\nstrovix.*.debug=true")
                                                     : QStringLiteral("oculon.*.debug=false\nstrovix.*.debug=false"));
    g_toStandardError = options.toStandardError;
    if (!options.file.empty()) {
        g_file = std::make_unique<LogFile>(options.file);
        if (const std::string problem = g_file->problem(); !problem.empty())
            std::fprintf(stderr, "oculon: no log file: %s\n", problem.c_str());
    }
    g_previous = qInstallMessageHandler(handle);
}

void stop()
{
    qInstallMessageHandler(g_previous);
    g_previous = nullptr;
    g_file.reset();
}

void logSettingsFiles()
{
    struct Seen {
        std::mutex lock;
        std::set<std::string> read;                                              // guarded by lock
        std::map<std::string, std::chrono::steady_clock::time_point> lastWrite; // guarded by lock
    };
    auto seen = std::make_shared<Seen>();
    platform::ini::setFileObserver([seen](const std::string& file, platform::ini::FileEvent event) {
        std::unique_lock g(seen->lock);
        if (event == platform::ini::FileEvent::Read) {
            if (!seen->read.insert(file).second)
                return;
            g.unlock();
            qCInfo(configLog, "settings read from %s", file.c_str());
            return;
        }
        const auto now = std::chrono::steady_clock::now();
        auto [it, first] = seen->lastWrite.emplace(file, now);
        if (!first && now - it->second < std::chrono::seconds(10))
            return;
        it->second = now;
        g.unlock();
        qCInfo(configLog, "settings written to %s", file.c_str());
    });
}

} // namespace logging
