// Event loop of the simulator: poll on the line, standard input and the stop signals.
#include "tools/tester_sim/sim_server.h"

#include "linklib/serial_device.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <poll.h>
#include <random>
#include <sstream>
#include <sys/signalfd.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

const char* const kUsage =
    R"(Usage: zolt-tester-sim --fs DIR (--pty LINK | --device DEV) [options]

Stands in for the handheld diagnosis tester: answers the program's requests on a serial line,
keeping the tester's directory "/FN0" in the folder DIR.

  --fs DIR        folder that holds the tester's files (must exist)
  --pty LINK      open a pseudo-terminal and make LINK a symbolic link to it; LINK is removed
                  again on exit. Point the program at it with [PORTE_COM] COM1=LINK in
                  VELANTO.INI.
  --device DEV    serve on a real serial device instead (e.g. /dev/ttyUSB0 on a null-modem cable)
  --baud N        pace reading and writing as a line at N baud would (10 bits a byte);
                  with --device also the rate the device is set to (default 19200)
  --drop P        lose this fraction (0..1) of the frames in each direction
  --corrupt P     damage this fraction (0..1) of the frames in each direction
  --delay MS      wait this long before each answer
  --seed S        seed of the random losses, for a reproducible run
  --fault SPEC    switch a fault on from the start (repeatable; SPEC as for "fault" below,
                  with "=" or blanks between its words, e.g. --fault delete=2)
  --unplug N:MS   at the N-th request frame (left unanswered), close the pseudo-terminal as an
                  unplugged adapter would, and make it again at the same LINK MS ms later
  --verbose       log every frame on standard error
  --help          show this text

Commands on standard input, one a line:
  event N           send library event N (1 show, 2 deactivate, 4 maximise the main window)
  code27 N          send an unsolicited code-27 answer whose byte 7 is N; type-42 requests
                    are answered with the same N from then on
  version NAME V    report version V (5 characters, e.g. 02.10) for file NAME
  garbage N         put N bytes of noise on the line (to try the link's resynchronisation)
  fault open S      answer the opening of the listing with status S (2 refuses it)
  fault entry S [I] answer the directory entry at index I (default 0) with status S
  fault jump I      report entry I under index I + 1
  fault delete S    answer every delete with status S (2 refuses it)
  fault fill N      list at least N entries: kind-1 entries SYS00, SYS01, ... after the files
                    (fill 30 makes the directory full, fill 31 reaches entry 30)
  fault name TEXT   list a file named TEXT that the folder does not hold (\xNN is byte NN,
                    \\ a backslash): a name with "/", "..", control bytes, or a long one
  fault forget      acknowledge every file received, then drop it
  fault none        switch every fault off
  unplug MS [N]     close the pseudo-terminal now (or at the N-th request frame from now, left
                    unanswered) and make it again at the same LINK after MS ms; the file being
                    received is dropped
  quit              stop serving

Malformed frames are logged on standard error and not answered. Runs until SIGTERM or SIGINT.
)";

Clock::duration FromSeconds(double s)
{
    return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(s));
}

std::string Hex(const wire::Bytes& bytes, std::size_t max = 16)
{
    std::string out;
    char b[4];
    for (std::size_t i = 0; i < bytes.size() && i < max; ++i) {
        std::snprintf(b, sizeof b, "%02x ", bytes[i]);
        out += b;
    }
    if (bytes.size() > max)
        out += "...";
    return out;
}

struct Timed
{
    Clock::time_point due;
    wire::Bytes bytes;
};

class Server
{
public:
    explicit Server(const SimOptions& options) : options_(options), sim_(options.fsDir)
    {
        for (const std::string& spec : options.faults)
            sim_.SetFault(spec);
        unplugAtFrame_ = options.unplugAtFrame;
        unplugForMs_ = options.unplugForMs;
        if (options.seeded)
            rng_.seed(options.seed);
        else
            rng_.seed(std::random_device{}());
    }

    ~Server() { ClosePty(); }

    bool Open()
    {
        if (!options_.device.empty()) {
            const serial::OpenResult r =
                serial::OpenDevice(options_.device, options_.baud ? options_.baud : 19200);
            if (r.fd < 0) {
                std::fprintf(stderr, "zolt-tester-sim: %s\n", r.why.c_str());
                return false;
            }
            line_ = r.fd;
            std::fprintf(stderr, "zolt-tester-sim: serving %s on %s\n", options_.fsDir.c_str(),
                         options_.device.c_str());
            return true;
        }
        return OpenPty();
    }

    // Makes the pseudo-terminal and points the link at it.
    bool OpenPty()
    {
        line_ = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (line_ < 0 || grantpt(line_) != 0 || unlockpt(line_) != 0) {
            std::perror("zolt-tester-sim: pseudo-terminal");
            return false;
        }
        const char* name = ptsname(line_);
        // Holding the other end open keeps the line alive between the program's opens, and
        // raw mode keeps the terminal from echoing answers back to us.
        slave_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (slave_ < 0) {
            std::perror("zolt-tester-sim: pseudo-terminal");
            return false;
        }
        termios tio{};
        tcgetattr(slave_, &tio);
        cfmakeraw(&tio);
        tcsetattr(slave_, TCSANOW, &tio);
        struct stat st
        {
        };
        if (lstat(options_.ptyLink.c_str(), &st) == 0 && S_ISLNK(st.st_mode))
            ::unlink(options_.ptyLink.c_str());
        if (::symlink(name, options_.ptyLink.c_str()) != 0) {
            std::fprintf(stderr, "zolt-tester-sim: cannot create %s: %s\n",
                         options_.ptyLink.c_str(), std::strerror(errno));
            return false;
        }
        linked_ = true;
        std::fprintf(stderr, "zolt-tester-sim: serving %s on %s -> %s\n", options_.fsDir.c_str(),
                     options_.ptyLink.c_str(), name);
        return true;
    }

    void ClosePty()
    {
        if (slave_ >= 0)
            ::close(slave_);
        if (line_ >= 0)
            ::close(line_);
        slave_ = line_ = -1;
        if (!options_.ptyLink.empty() && linked_)
            ::unlink(options_.ptyLink.c_str());
        linked_ = false;
    }

    // As an adapter pulled out: the program's side of the line hangs up, the link goes, and
    // what was on the line or half received is lost. A tester cut off in the middle of a file
    // keeps nothing of it.
    void Unplug(int ms)
    {
        ClosePty();
        input_.clear();
        answers_.clear();
        output_.clear();
        parser_.Reset();
        sim_.Abandon();
        unplugged_ = true;
        replugAt_ = Clock::now() + std::chrono::milliseconds(ms);
        std::fprintf(stderr, "zolt-tester-sim: unplugged for %d ms\n", ms);
    }

    // Returns false when the pseudo-terminal cannot be made again.
    bool Replug()
    {
        unplugged_ = false;
        std::fprintf(stderr, "zolt-tester-sim: plugged in again\n");
        return OpenPty();
    }

    int Run()
    {
        sigset_t stops;
        sigemptyset(&stops);
        sigaddset(&stops, SIGTERM);
        sigaddset(&stops, SIGINT);
        sigprocmask(SIG_BLOCK, &stops, nullptr);
        const int signals = signalfd(-1, &stops, SFD_CLOEXEC | SFD_NONBLOCK);
        bool stdinOpen = true;
        std::string commandLine;

        for (;;) {
            if (unplugged_ && Clock::now() >= replugAt_ && !Replug()) {
                ::close(signals);
                return 1;
            }
            // Unplugged, there is no line to watch (poll skips a negative descriptor).
            pollfd fds[3] = {{line_, POLLIN, 0}, {signals, POLLIN, 0}, {0, POLLIN, 0}};
            if (!output_.empty())
                fds[0].events |= POLLOUT;
            const int count = stdinOpen ? 3 : 2;
            timespec wait{};
            const bool waits = WaitTime(wait);
            if (::ppoll(fds, nfds_t(count), waits ? &wait : nullptr, nullptr) < 0 && errno != EINTR)
                break;
            if (fds[1].revents & POLLIN) {
                std::fprintf(stderr, "zolt-tester-sim: stopped\n");
                break;
            }
            // An unplugged adapter or a closed far end: poll would report it at once for ever,
            // so serving stops instead of spinning.
            if ((fds[0].revents & (POLLIN | POLLERR | POLLHUP | POLLNVAL)) && !ReadLine()) {
                std::fprintf(stderr, "zolt-tester-sim: the line has gone away\n");
                ::close(signals);
                return 1;
            }
            if (stdinOpen && (fds[2].revents & (POLLIN | POLLHUP))) {
                char buf[512];
                const ssize_t n = ::read(0, buf, sizeof buf);
                if (n <= 0) {
                    stdinOpen = false;
                } else {
                    commandLine.append(buf, std::size_t(n));
                    std::size_t eol;
                    while ((eol = commandLine.find('\n')) != std::string::npos) {
                        const std::string command = commandLine.substr(0, eol);
                        commandLine.erase(0, eol + 1);
                        if (!Command(command)) {
                            ::close(signals);
                            return 0;
                        }
                    }
                }
            }
            ReleaseInput();
            ReleaseOutput();
            Flush();
        }
        ::close(signals);
        return 0;
    }

private:
    // How long to wait for the line: until the next byte is due, to the nanosecond (waits in
    // whole milliseconds would make the paced line lag on every exchange). False: no limit.
    bool WaitTime(timespec& wait) const
    {
        Clock::time_point next = Clock::time_point::max();
        if (unplugged_)
            next = replugAt_;
        if (!input_.empty())
            next = std::min(next, input_.front().due);
        if (!answers_.empty())
            next = std::min(next, answers_.front().due);
        if (parser_.HasPartial())
            next = std::min(next, lastFeed_ + kStall);
        if (next == Clock::time_point::max())
            return false;
        const long long ns = std::max<long long>(
            std::chrono::duration_cast<std::chrono::nanoseconds>(next - Clock::now()).count(), 0);
        wait.tv_sec = time_t(ns / 1000000000);
        wait.tv_nsec = long(ns % 1000000000);
        return true;
    }

    double ByteTime() const { return options_.baud > 0 ? 10.0 / options_.baud : 0.0; }

    // Takes what the line has delivered. Returns false when the line has gone away: it reads
    // nothing although poll reported it, or fails.
    bool ReadLine()
    {
        std::uint8_t chunk[4096];
        for (bool first = true;; first = false) {
            const ssize_t n = ::read(line_, chunk, sizeof chunk);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                return errno == EAGAIN || errno == EWOULDBLOCK;
            if (n == 0)
                return !first;
            const auto now = Clock::now();
            // A real line would deliver the last of these bytes only this much later.
            inputClock_ = std::max(inputClock_, now) + FromSeconds(double(n) * ByteTime());
            input_.push_back({inputClock_, wire::Bytes(chunk, chunk + n)});
        }
    }

    bool Chance(double p)
    {
        return p > 0.0 && std::uniform_real_distribution<double>(0.0, 1.0)(rng_) < p;
    }

    void ReleaseInput()
    {
        const auto now = Clock::now();
        while (!input_.empty() && input_.front().due <= now) {
            parser_.Feed(input_.front().bytes.data(), input_.front().bytes.size());
            input_.pop_front();
            lastFeed_ = now;
        }
        wire::Bytes frame;
        for (;;) {
            if (!parser_.Next(frame)) {
                // Garbage that looked like a header holds up the frames behind it until the
                // line has been quiet for a while.
                if (parser_.HasPartial() && now >= lastFeed_ + kStall) {
                    parser_.DropPartial();
                    continue;
                }
                break;
            }
            if (options_.verbose)
                std::fprintf(stderr, "<- %s\n", Hex(frame).c_str());
            if (unplugAtFrame_ > 0 && --unplugAtFrame_ == 0) {
                Unplug(unplugForMs_);
                return;
            }
            if (Chance(options_.drop)) {
                std::fprintf(stderr, "zolt-tester-sim: request lost (simulated): %s\n",
                             Hex(frame).c_str());
                continue;
            }
            if (Chance(options_.corrupt)) {
                std::fprintf(stderr, "zolt-tester-sim: request damaged (simulated): %s\n",
                             Hex(frame).c_str());
                continue;
            }
            std::string complaint;
            const std::optional<wire::Bytes> answer = sim_.Handle(frame, &complaint);
            if (!answer)
                std::fprintf(stderr, "zolt-tester-sim: not answered: %s: %s\n", complaint.c_str(),
                             Hex(frame, 32).c_str());
            if (answer)
                Queue(*answer, FromSeconds(options_.delayMs / 1000.0));
        }
        if (parser_.BadFrames() != badFrames_) {
            std::fprintf(stderr, "zolt-tester-sim: %zu frame(s) with a wrong CRC skipped\n",
                         parser_.BadFrames() - badFrames_);
            badFrames_ = parser_.BadFrames();
        }
    }

    // Schedules `frame` to be on the line completely after the turnaround and its own bytes.
    void Queue(const wire::Bytes& frame, Clock::duration turnaround)
    {
        wire::Bytes bytes = wire::Encode(frame);
        const auto ready = Clock::now() + turnaround;
        outputClock_ =
            std::max(outputClock_, ready) + FromSeconds(double(bytes.size()) * ByteTime());
        answers_.push_back({outputClock_, std::move(bytes)});
    }

    void ReleaseOutput()
    {
        const auto now = Clock::now();
        while (!answers_.empty() && answers_.front().due <= now) {
            wire::Bytes bytes = std::move(answers_.front().bytes);
            answers_.pop_front();
            if (options_.verbose)
                std::fprintf(stderr, "-> %s\n", Hex(bytes).c_str());
            if (Chance(options_.drop)) {
                std::fprintf(stderr, "zolt-tester-sim: answer lost (simulated)\n");
                continue;
            }
            if (Chance(options_.corrupt)) {
                std::uniform_int_distribution<std::size_t> at(0, bytes.size() - 1);
                bytes[at(rng_)] ^= std::uint8_t(1u << (rng_() % 8));
                std::fprintf(stderr, "zolt-tester-sim: answer damaged (simulated)\n");
            }
            output_.insert(output_.end(), bytes.begin(), bytes.end());
        }
    }

    void Flush()
    {
        if (line_ < 0)
            output_.clear(); // unplugged: nothing reaches the program
        while (!output_.empty()) {
            const ssize_t n = ::write(line_, output_.data(), output_.size());
            if (n <= 0)
                return;
            output_.erase(output_.begin(), output_.begin() + n);
        }
    }

    // Returns false on "quit".
    bool Command(const std::string& line)
    {
        std::istringstream in(line);
        std::string word;
        if (!(in >> word))
            return true;
        if (word == "quit")
            return false;
        if (word == "event") {
            int event = 0;
            if (in >> event && (event == 1 || event == 2 || event == 4)) {
                Queue(sim_.NoticeFrame(event), {});
                return true;
            }
            std::fprintf(stderr, "zolt-tester-sim: usage: event 1|2|4\n");
            return true;
        }
        if (word == "code27") {
            int value = -1;
            if (in >> value && value >= 0 && value <= 255) {
                Queue(sim_.Code27Frame(value), {});
                return true;
            }
            std::fprintf(stderr, "zolt-tester-sim: usage: code27 N (0..255)\n");
            return true;
        }
        if (word == "garbage") {
            int count = 0;
            if (in >> count && count > 0 && count <= 4096) {
                // Noise rich in start bytes and false headers, to exercise resynchronisation.
                wire::Bytes noise(static_cast<std::size_t>(count));
                for (std::uint8_t& b : noise)
                    b = rng_() % 4 == 0 ? wire::kStartByte
                                        : std::uint8_t(rng_() % 4 == 0 ? 0 : rng_());
                output_.insert(output_.end(), noise.begin(), noise.end());
                return true;
            }
            std::fprintf(stderr, "zolt-tester-sim: usage: garbage N (1..4096)\n");
            return true;
        }
        if (word == "fault") {
            std::string spec, why;
            std::getline(in, spec);
            if (!sim_.SetFault(spec, &why))
                std::fprintf(stderr, "zolt-tester-sim: usage: %s\n", why.c_str());
            else
                std::fprintf(stderr, "zolt-tester-sim: fault%s\n", spec.c_str());
            return true;
        }
        if (word == "unplug") {
            int ms = -1, frames = 0;
            if (!(in >> ms) || ms < 0 || ms > 600000 || (in >> frames && frames < 1)) {
                std::fprintf(stderr, "zolt-tester-sim: usage: unplug MS [N]\n");
                return true;
            }
            if (options_.ptyLink.empty()) {
                std::fprintf(stderr, "zolt-tester-sim: unplug needs --pty\n");
                return true;
            }
            if (frames > 0) {
                unplugAtFrame_ = frames;
                unplugForMs_ = ms;
            } else if (!unplugged_) {
                Unplug(ms);
            }
            return true;
        }
        if (word == "version") {
            std::string name, version;
            if (in >> name >> version && sim_.SetVersion(name, version))
                return true;
            std::fprintf(stderr, "zolt-tester-sim: usage: version NAME VVVVV\n");
            return true;
        }
        std::fprintf(stderr, "zolt-tester-sim: unknown command \"%s\"\n", word.c_str());
        return true;
    }

    SimOptions options_;
    TesterSim sim_;
    std::mt19937 rng_;
    int line_ = -1;
    int slave_ = -1;
    bool linked_ = false;
    wire::FrameParser parser_;
    std::size_t badFrames_ = 0;
    bool unplugged_ = false;
    Clock::time_point replugAt_{};
    int unplugAtFrame_ = 0; // counts request frames down to an unplug; 0: none due
    int unplugForMs_ = 0;
    std::deque<Timed> input_;
    std::deque<Timed> answers_;
    static constexpr Clock::duration kStall = std::chrono::milliseconds(proto::kStallMs);
    Clock::time_point lastFeed_{};
    Clock::time_point inputClock_{};
    Clock::time_point outputClock_{};
    wire::Bytes output_;
};

bool ParseFraction(const char* text, double& out)
{
    char* end = nullptr;
    out = std::strtod(text, &end);
    return end != text && *end == '\0' && out >= 0.0 && out <= 1.0;
}

bool ParseInt(const char* text, long min, long max, long& out)
{
    char* end = nullptr;
    out = std::strtol(text, &end, 10);
    return end != text && *end == '\0' && out >= min && out <= max;
}

} // namespace

const char* SimUsage()
{
    return kUsage;
}

int ParseSimOptions(int argc, char** argv, SimOptions& options)
{
    auto fail = [](const std::string& why) {
        std::fprintf(stderr, "zolt-tester-sim: %s\nTry --help.\n", why.c_str());
        return 2;
    };
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 1;
        }
        if (arg == "--verbose") {
            options.verbose = true;
            continue;
        }
        if (i + 1 >= argc)
            return fail(arg + " needs a value");
        const char* value = argv[++i];
        long number = 0;
        if (arg == "--fs")
            options.fsDir = value;
        else if (arg == "--pty")
            options.ptyLink = value;
        else if (arg == "--device")
            options.device = value;
        else if (arg == "--baud") {
            if (!ParseInt(value, 1, 4000000, number))
                return fail("--baud needs a positive rate");
            options.baud = int(number);
        } else if (arg == "--drop") {
            if (!ParseFraction(value, options.drop))
                return fail("--drop needs a fraction between 0 and 1");
        } else if (arg == "--corrupt") {
            if (!ParseFraction(value, options.corrupt))
                return fail("--corrupt needs a fraction between 0 and 1");
        } else if (arg == "--delay") {
            if (!ParseInt(value, 0, 600000, number))
                return fail("--delay needs milliseconds");
            options.delayMs = int(number);
        } else if (arg == "--fault") {
            std::string spec = value;
            std::replace(spec.begin(), spec.end(), '=', ' ');
            std::string why;
            if (!TesterSim::CheckFault(spec, &why))
                return fail("--fault: " + why);
            options.faults.push_back(spec);
        } else if (arg == "--unplug") {
            long frames = 0, ms = 0;
            const std::string spec = value;
            const std::size_t colon = spec.find(':');
            if (colon == std::string::npos ||
                !ParseInt(spec.substr(0, colon).c_str(), 1, 1000000000L, frames) ||
                !ParseInt(spec.substr(colon + 1).c_str(), 0, 600000, ms))
                return fail("--unplug needs N:MS (a request frame from 1, milliseconds)");
            options.unplugAtFrame = int(frames);
            options.unplugForMs = int(ms);
        } else if (arg == "--seed") {
            if (!ParseInt(value, 0, 4294967295L, number))
                return fail("--seed needs a number");
            options.seed = unsigned(number);
            options.seeded = true;
        } else
            return fail("unknown option " + arg);
    }
    if (options.fsDir.empty())
        return fail("--fs DIR is required");
    struct stat st
    {
    };
    if (stat(options.fsDir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return fail(options.fsDir + " is not a folder");
    if (options.ptyLink.empty() == options.device.empty())
        return fail("give exactly one of --pty LINK and --device DEV");
    if (options.unplugAtFrame > 0 && options.ptyLink.empty())
        return fail("--unplug needs --pty");
    return 0;
}

int RunSimServer(const SimOptions& options)
{
    std::signal(SIGPIPE, SIG_IGN);
    Server server(options);
    if (!server.Open())
        return 1;
    return server.Run();
}
