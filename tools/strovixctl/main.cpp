// strovixctl: a headless host of the camera view control. It creates one
// control through the component layer (registry, library, class factory),
// drives it by member name and prints what comes back, one line each.
#include "platform/component/ClassFactory.h"
#include "platform/component/Creation.h"
#include "platform/component/Dispatch.h"
#include "platform/component/Events.h"
#include "platform/component/Hosting.h"
#include "platform/registry/Registry.h"
#include "tools/strovixctl/Operations.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPixmap>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>
#include <set>
#include <string>
#include <unistd.h>
#include <vector>

using namespace platform::component;
using namespace strovixctl;

namespace {

constexpr const char* kProgId = "Strovix.Vidorra";

int usage()
{
    std::cerr << "usage: strovixctl register [LIBRARY]\n"
                 "       strovixctl unregister [LIBRARY]\n"
                 "       strovixctl members\n"
                 "       strovixctl run [--seconds S] [--size WxH] [--screenshot FILE.png]\n"
                 "                      [--credentials USER:PASSWORD] OP...\n"
                 "OP: Name=Value | Name? | Name(arg,...) | sleep=SECONDS | until=EVENT | until=shown:N\n"
                 "    (until waits for the event, or for N pictures shown, at most 60 s)\n";
    return 2;
}

std::string programFolder()
{
    std::error_code ec;
    auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string(".") : exe.parent_path().string();
}

// The library beside the program: installed, both lie in the private
// folder; in the build tree, in bin/.
std::string defaultLibrary()
{
    const std::string here = programFolder();
    for (const std::string& candidate : {here + "/" STROVIXCTL_LIBRARY, here + "/libstrovix.so"}) {
        std::error_code ec;
        if (std::filesystem::exists(candidate, ec))
            return std::filesystem::canonical(candidate, ec).string();
    }
    return here + "/libstrovix.so";
}

int registerCommand(const std::vector<std::string>& args, bool unregister)
{
    if (args.size() > 1)
        return usage();
    std::error_code ec;
    std::string library = args.empty() ? defaultLibrary() : args[0];
    if (auto abs = std::filesystem::absolute(library, ec); !ec)
        library = abs.string();
    const HResult hr = registerLibrary(library, unregister);
    std::cout << (unregister ? "unregister " : "register ") << library << " -> " << formatHResult(hr) << "\n";
    if (failed(hr) && !lastLoadError().empty())
        std::cerr << lastLoadError() << "\n";
    return failed(hr) ? 1 : 0;
}

ComPtr<Dispatch> createControl()
{
    ComPtr<Dispatch> control;
    const HResult hr = createInstance(platform::registry::Registry(), kProgId, Dispatch::iid, control.put());
    if (failed(hr)) {
        std::cerr << "strovixctl: cannot create " << kProgId << ": " << formatHResult(hr);
        if (hr == REGDB_E_CLASSNOTREG)
            std::cerr << " (not registered: run \"strovixctl register\")";
        else if (!lastLoadError().empty())
            std::cerr << " (" << lastLoadError() << ")";
        std::cerr << "\n";
    }
    return control;
}

// The control is a widget: every host needs the application object first.
// Without a display it is hosted offscreen.
std::unique_ptr<QApplication> makeApplication(int& argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM") && !std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY"))
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    return std::make_unique<QApplication>(argc, argv);
}

int membersCommand(int argc, char** argv)
{
    auto app = makeApplication(argc, argv);
    ComPtr<Dispatch> control = createControl();
    if (!control)
        return 1;
    for (const MemberInfo& m : control->typeInfo().members)
        std::cout << describeMember(m) << "\n";
    if (auto info = control.query<ProvideClassInfo>(); info && info->classInfo().eventInterface)
        for (const MemberInfo& m : info->classInfo().eventInterface->members)
            std::cout << describeMember(m, "event") << "\n";
    return 0;
}

// The host side of one control: prints its events and pane texts and
// answers its credentials prompt.
class Host final : public EventSink, public HostSite {
public:
    const InterfaceInfo* events = nullptr;
    std::string user, password;
    bool haveCredentials = false;
    std::set<std::string, std::less<>> fired; // names of the events seen so far

    HResult queryInterface(const Guid& iid, void** out) override
    {
        if (iid == Unknown::iid || iid == EventSink::iid) {
            *out = static_cast<EventSink*>(this);
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    uint32_t addRef() override { return 2; }
    uint32_t release() override { return 1; }

    HResult invoke(int32_t dispid, const std::vector<Variant>& args) override
    {
        const MemberInfo* m = events ? events->find(dispid) : nullptr;
        const std::string name = m ? std::string(m->name) : std::to_string(dispid);
        fired.insert(name);
        std::string line = "event " + name + "(";
        for (size_t i = 0; i < args.size(); ++i)
            line += (i ? ", " : "") + formatValue(args[i]);
        std::cout << line << ")" << std::endl;
        return S_OK;
    }
    void onPaneText(int pane, const std::string& text) override
    {
        std::cout << "pane " << pane << " " << formatValue(Variant(text)) << std::endl;
    }
    bool credentials(const std::string&, std::string& u, std::string& p) override
    {
        if (!haveCredentials)
            return false;
        u = user;
        p = password;
        return true;
    }
};

struct RunOptions {
    double seconds = 0;
    int width = 640, height = 480;
    std::string screenshot;
    std::string credentials;
    std::vector<Operation> ops;
};

void perform(Dispatch& control, const Operation& op)
{
    const int32_t dispid = control.idOfName(op.name);
    const MemberInfo* member = control.typeInfo().find(dispid);
    ErrorInfo error;
    std::vector<Variant> args;
    switch (op.kind) {
    case Operation::Kind::Put: {
        args.push_back(putValue(*member, op.text));
        const HResult hr = control.invoke(dispid, InvokeKind::PropertyPut, args, nullptr, &error);
        std::cout << "put " << member->name << " -> " << formatResult(hr, error.description) << std::endl;
        break;
    }
    case Operation::Kind::Get: {
        Variant value;
        const HResult hr = control.invoke(dispid, InvokeKind::PropertyGet, args, &value, &error);
        std::cout << "get " << member->name << " -> " << formatResult(hr, error.description);
        if (succeeded(hr))
            std::cout << " " << formatValue(value);
        std::cout << std::endl;
        break;
    }
    case Operation::Kind::Call: {
        args = op.args;
        completeArguments(*member, args);
        const HResult hr = control.invoke(dispid, InvokeKind::Method, args, nullptr, &error);
        std::cout << "call " << member->name << " -> " << formatResult(hr, error.description);
        for (size_t i = 0; i < args.size() && i < member->argCount; ++i)
            if (isOut(member->args[i].type))
                std::cout << " " << formatValue(args[i]);
        std::cout << std::endl;
        break;
    }
    case Operation::Kind::Sleep:
    case Operation::Kind::Until:
        break;
    }
}

int runCommand(int argc, char** argv, const std::vector<std::string>& args)
{
    RunOptions o;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto next = [&]() -> const std::string* { return i + 1 < args.size() ? &args[++i] : nullptr; };
        if (a == "--seconds") {
            const std::string* v = next();
            char* end = nullptr;
            if (!v || (o.seconds = std::strtod(v->c_str(), &end), *end != '\0') || !(o.seconds >= 0))
                return usage();
        } else if (a == "--size") {
            const std::string* v = next();
            auto size = v ? parseSize(*v) : std::nullopt;
            if (!size)
                return usage();
            std::tie(o.width, o.height) = *size;
        } else if (a == "--screenshot") {
            const std::string* v = next();
            if (!v)
                return usage();
            o.screenshot = *v;
        } else if (a == "--credentials") {
            const std::string* v = next();
            if (!v || v->find(':') == std::string::npos)
                return usage();
            o.credentials = *v;
        } else {
            std::string error;
            auto op = parseOperation(a, error);
            if (!op) {
                std::cerr << "strovixctl: " << error << "\n";
                return usage();
            }
            o.ops.push_back(std::move(*op));
        }
    }

    auto application = makeApplication(argc, argv);
    QApplication& app = *application;

    ComPtr<Dispatch> control = createControl();
    if (!control)
        return 1;
    for (const Operation& op : o.ops) {
        if (op.kind == Operation::Kind::Sleep || op.kind == Operation::Kind::Until)
            continue;
        const MemberInfo* m = control->typeInfo().find(control->idOfName(op.name));
        const bool fits = m
            && ((op.kind == Operation::Kind::Put && m->allows(InvokeKind::PropertyPut))
                || (op.kind == Operation::Kind::Get && m->allows(InvokeKind::PropertyGet))
                || (op.kind == Operation::Kind::Call && m->isMethod()));
        if (!fits) {
            std::cerr << "strovixctl: no such member for this operation: " << op.name << "\n";
            return 2;
        }
    }

    Host host;
    if (!o.credentials.empty()) {
        const size_t colon = o.credentials.find(':');
        host.user = o.credentials.substr(0, colon);
        host.password = o.credentials.substr(colon + 1);
        host.haveCredentials = true;
    }
    auto info = control.query<ProvideClassInfo>();
    host.events = info ? info->classInfo().eventInterface : nullptr;
    auto container = control.query<ConnectionPointContainer>();
    uint32_t cookie = 0;
    if (container && host.events)
        container->advise(host.events->iid, &host, &cookie);
    auto ole = control.query<OleControl>();
    QWidget window;
    window.setWindowTitle("strovixctl");
    window.resize(o.width, o.height);
    if (ole) {
        ole->setSite(&host);
        ole->createWindow(&window, o.width, o.height);
    }
    window.show();

    auto stats = control.query<ViewStatistics>();
    auto reached = [&](const Operation& until) {
        if (until.name.empty())
            return stats && stats->picturesShown() >= until.pictures;
        return host.fired.count(until.name) > 0;
    };
    size_t next = 0;
    QElapsedTimer waiting;
    std::function<void()> step;
    auto finish = [&] {
        if (!o.screenshot.empty()) {
            QWidget* view = ole ? ole->window() : nullptr;
            const QPixmap shot = (view ? view : &window)->grab();
            if (!shot.save(QString::fromStdString(o.screenshot), "PNG"))
                std::cerr << "strovixctl: cannot write " << o.screenshot << "\n";
        }
        std::cout << "shown " << (stats ? stats->picturesShown() : 0) << std::endl;
        app.quit();
    };
    step = [&] {
        while (next < o.ops.size()) {
            const Operation& op = o.ops[next++];
            if (op.kind == Operation::Kind::Sleep) {
                QTimer::singleShot(int(op.seconds * 1000), step);
                return;
            }
            if (op.kind == Operation::Kind::Until && !reached(op)) {
                // Checked again every 20 ms, the control's events running in between.
                if (!waiting.isValid())
                    waiting.start();
                if (waiting.elapsed() < kUntilSeconds * 1000) {
                    --next;
                    QTimer::singleShot(20, step);
                    return;
                }
                std::cout << "until " << (op.name.empty() ? "shown:" + std::to_string(op.pictures) : op.name)
                          << " -> timed out" << std::endl;
            }
            waiting.invalidate();
            if (op.kind == Operation::Kind::Until)
                continue;
            perform(*control, op);
            // Let posted work and events run between operations.
            QTimer::singleShot(0, step);
            return;
        }
        QTimer::singleShot(int(o.seconds * 1000), finish);
    };
    QTimer::singleShot(0, step);
    app.exec();

    if (container && cookie)
        container->unadvise(host.events->iid, cookie);
    if (ole) {
        ole->destroyWindow();
        ole->setSite(nullptr);
    }
    ole.reset();
    stats.reset();
    container.reset();
    info.reset();
    control.reset();
    freeUnusedLibraries();
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    // A headless host: on a machine without a sound device, camera sound
    // plays into nothing instead of raising the device warning.
    ::setenv("STROVIX_NULL_AUDIO", "1", 0);
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty())
        return usage();
    const std::string command = args.front();
    args.erase(args.begin());
    if (command == "register" || command == "unregister")
        return registerCommand(args, command == "unregister");
    if (command == "members")
        return args.empty() ? membersCommand(argc, argv) : usage();
    if (command == "run")
        return runCommand(argc, argv, args);
    return usage();
}
