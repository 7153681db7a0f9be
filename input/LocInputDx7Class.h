#pragma once
// The bridge to the input-device server: starts TambrelOrchestraDll as a
// child process on a private socket pair (no listening socket, no file),
// calls its operations as framed requests and turns its PlayThisKey frames
// into calls of InputDx7_PlayThisKey. Releasing the bridge closes the socket,
// which ends the server. User-interface thread only.

#include <sys/types.h>

#include <chrono>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "input/InputProtocol.h"
#include "common/InputServerLink.h"

namespace tambrel {

struct InputServerOptions {
    // Empty: $TAMBREL_INPUT_SERVER when set, else TambrelOrchestraDll next
    // to the running executable.
    std::string serverPath;
    // Extra arguments for the server, e.g. {"--virtual", "devices.txt"}.
    std::vector<std::string> serverArgs;
    // How long a request may wait for its answer before the server is
    // taken as broken and ended. The window waits meanwhile, so this stays
    // short: the server answers within milliseconds when it works.
    int replyTimeoutMs = 1000;
    // How long a start may wait for the server's hello.
    int startTimeoutMs = 1000;
    // Presses the server read longer ago than this are dropped (LatePress);
    // 0 or less: every press is delivered, however old.
    std::int64_t latePressMs = kLatePressMs;
};

class LocInputDx7Class : public InputServerLink {
public:
    // Starts the server; when the first start fails, tries once more.
    explicit LocInputDx7Class(InputServerOptions options = {});
    ~LocInputDx7Class() override;
    LocInputDx7Class(const LocInputDx7Class&) = delete;
    LocInputDx7Class& operator=(const LocInputDx7Class&) = delete;

    bool DxDetectDiDevices(std::int32_t hwndNo, std::vector<std::int32_t>& kbData) override;
    bool DxDeviceAcquire() override;
    bool DxDeviceUnAcquire() override;
    bool HasServer() const override { return sock_ >= 0; }
    // Sends Ping; the answer is taken by ProcessEvents. A server that left
    // the previous Ping unanswered is ended.
    bool Heartbeat() override;

    // Called just before the channel's socket closes, for whoever watches
    // EventFd: a watcher on a closed descriptor fires for ever or, once the
    // number is reused, for someone else's.
    std::function<void()> ChannelClosing;

    // The socket to watch for events (a socket notifier in the app); -1
    // when there is no server.
    int EventFd() const { return sock_; }
    // Handles every event that has arrived, without waiting.
    void ProcessEvents();
    // Waits up to timeoutMs for events and handles them; returns the number
    // handled. For programs without an event loop of their own.
    int WaitForEvents(int timeoutMs);

    // Closes the channel and waits for the server to end; its wait status
    // (as waitpid gives it), or -1 when there was none. The destructor does
    // this too.
    int Release();
    pid_t ServerPid() const { return pid_; }
    // Presses the server dropped because this program did not read them in
    // time (it keeps the newest ones), since the bridge was made.
    std::int64_t LostPresses() const { return lost_; }
    // Presses dropped here because they were older than latePressMs.
    std::int64_t LatePresses() const { return late_; }
    // Starts tried by the constructor (1 or 2).
    int StartAttempts() const { return attempts_; }

    static std::string DefaultServerPath();

private:
    bool CreateInputServer();
    void CloseChannel();
    // The server is of no use any more (gone, broken or not answering): the
    // channel closes and the server is killed. ServerLost follows when it
    // had been up.
    void Disconnect(bool unanswered = false);
    bool Send(FrameType type, const std::string& body);
    // Receives whatever arrives within timeoutMs; false when the server is gone.
    bool Receive(int timeoutMs);
    // Waits up to timeoutMs for the frame answering a request; events that
    // come first wait in pending_ and are handled once the answer is in.
    bool AwaitReply(FrameType want, Frame& reply, int timeoutMs);
    // Handles one frame that is not an answer; returns true for an event.
    bool Handle(const Frame& f);
    // Handles the waiting events and every whole frame already received.
    int DeliverPending();
    bool Call(FrameType request, const std::string& body, FrameType answer, Frame& reply);

    InputServerOptions options_;
    int sock_ = -1;
    pid_t pid_ = -1;
    int attempts_ = 0;
    FrameReader reader_;
    std::deque<Frame> pending_;
    bool inCall_ = false;
    bool up_ = false; // the server said hello and has not been lost
    bool pingOutstanding_ = false;
    std::int64_t lost_ = 0;
    std::int64_t late_ = 0;
};

} // namespace tambrel
