// TambrelOrchestraDll: the input-device server. The program starts it with
// one end of a private socket pair as descriptor --fd and talks to it only
// there; it ends when that socket closes or its parent dies.
//
//   TambrelOrchestraDll --fd N [--parent PID] [--virtual SCRIPT] [--evemu FILE]... [--osc ADDRESS:PORT]
//
// SCRIPT is opened by name (a file or a FIFO): the server keeps no
// descriptor it did not open itself apart from --fd. Each --evemu FILE is a
// recording of a real device (evemu-describe / evemu-record), played as an
// attached device instead of the machine's own; with --virtual they follow
// the script's devices, and the script may plug more in and out. --osc
// offers the OSC device, listening on that IPv4 or IPv6 address and UDP port.

#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <charconv>
#include <climits>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "inputserver/InputServer.h"
#include "inputserver/JoinedBackend.h"
#ifdef TAMBREL_HAVE_LIBLO
#include "inputserver/OscService.h"
#endif
#ifdef TAMBREL_HAVE_ALSA_MIDI_INPUT
#include "inputserver/AlsaMidiBackend.h"
#endif
#include "inputserver/VirtualBackend.h"
#ifdef TAMBREL_HAVE_EVDEV
#include "inputserver/EvdevBackend.h"
#endif

namespace {

// Without evdev the server still runs, with no devices.
class NoDevices : public tambrel::server::Backend {
public:
    std::vector<std::unique_ptr<tambrel::server::BackendDevice>> Enumerate() override { return {}; }
};

bool ToInt(const char* s, long& out) {
    const char* end = s + std::strlen(s);
    const auto [p, ec] = std::from_chars(s, end, out);
    return ec == std::errc() && p == end && *s != '\0';
}

int Usage() {
    std::fprintf(stderr, "usage: TambrelOrchestraDll --fd N [--parent PID] [--virtual SCRIPT] [--evemu FILE]... "
                         "[--osc ADDRESS:PORT]\n"
                         "The program starts this server itself; it is not meant to be run by hand.\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    long fd = -1, parent = 0;
    std::string script;
    bool scripted = false;
    std::vector<std::string> recordings;
    struct OscWhere {
        std::string address;
        int port = 0;
    };
    std::optional<OscWhere> osc;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (i + 1 >= argc) return Usage();
        if (a == "--fd") {
            if (!ToInt(argv[++i], fd) || fd < 0) return Usage();
        } else if (a == "--parent") {
            if (!ToInt(argv[++i], parent)) return Usage();
        } else if (a == "--virtual") {
            script = argv[++i];
            scripted = true;
        } else if (a == "--evemu") {
            recordings.emplace_back(argv[++i]);
        } else if (a == "--osc") {
            const std::string where = argv[++i];
            const std::size_t colon = where.rfind(':');
            long port = -1;
            // Settings the user wrote: a bad one is said in the status
            // panel by the OSC device, never a server that will not start.
            if (colon == std::string::npos || !ToInt(where.c_str() + colon + 1, port) || port < 0 || port > 65535)
                osc = OscWhere{where.substr(0, 64), -1};
            else osc = OscWhere{where.substr(0, colon), static_cast<int>(port)};
        } else {
            return Usage();
        }
    }
    if (fd < 0 || fd > INT_MAX) return Usage();

    // Only the channel (and the standard streams) stay open, whatever the
    // program that started us left inheritable: the server reads every key
    // typed and must hold nothing else of anyone's.
    const auto sock = static_cast<unsigned>(fd);
    if (sock > 3) close_range(3, sock - 1, 0);
    close_range(sock < 3 ? 3 : sock + 1, ~0u, 0);
    // Not dumpable: no core file of the keys typed, and no other process of
    // the user may attach to it or read its memory.
    prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);

    // End with the program even when it dies without closing the socket
    // (a copy of the descriptor may live on in some other child of it).
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (parent > 0 && getppid() != static_cast<pid_t>(parent)) return 0; // it died before the line above
    // The server can read every key typed: it must never gain privileges.
    prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0);
    signal(SIGPIPE, SIG_IGN);

    std::unique_ptr<tambrel::server::Backend> backend;
    std::unique_ptr<tambrel::server::RecordingService> player;
    try {
#ifdef TAMBREL_HAVE_EVDEV
        if (scripted || !recordings.empty()) player = std::make_unique<tambrel::server::EvemuBackend>(recordings);
#else
        if (!recordings.empty()) throw std::runtime_error("this server plays no recordings (built without evdev)");
#endif
        if (scripted) backend = std::make_unique<tambrel::server::VirtualBackend>(script, player.get());
        else if (player) backend = std::move(player);
#ifdef TAMBREL_HAVE_EVDEV
        else backend = std::make_unique<tambrel::server::EvdevBackend>();
#else
        else backend = std::make_unique<NoDevices>();
#endif
    } catch (const std::exception& e) {
        std::fprintf(stderr, "TambrelOrchestraDll: %s\n", e.what());
        return 1;
    }
    // MIDI ports and OSC come after the machine's devices, so these keep
    // their numbers.
    std::vector<tambrel::server::Backend*> parts{backend.get()};
#ifdef TAMBREL_HAVE_ALSA_MIDI_INPUT
    // This machine's MIDI ports, unless its devices are played from a script
    // or recordings (those bring their own).
    std::unique_ptr<tambrel::server::AlsaMidiBackend> midi;
    if (!scripted && recordings.empty()) {
        midi = std::make_unique<tambrel::server::AlsaMidiBackend>();
        parts.push_back(midi.get());
    }
#endif
#ifdef TAMBREL_HAVE_LIBLO
    std::unique_ptr<tambrel::server::OscService> oscService;
    if (osc) {
        oscService = std::make_unique<tambrel::server::OscService>(tambrel::server::OscConfig{osc->address, osc->port});
        parts.push_back(oscService.get());
    }
#else
    if (osc) std::fprintf(stderr, "TambrelOrchestraDll: built without liblo: no OSC device\n");
#endif
    tambrel::server::JoinedBackend joined(parts);
    tambrel::server::InputServer server(static_cast<int>(fd), joined);
    return server.Run();
}
