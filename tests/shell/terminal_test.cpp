// The shell at a terminal, driven through a pseudo-terminal as a person
// would type: the prompts, a statement over two lines, the history recalled
// with the up arrow and kept in its file.
#include <gtest/gtest.h>

#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

#include "tests/engine/test_folder.h"

namespace larch {
namespace {

using testing::TestFolder;

class Terminal {
public:
    // Starts the shell on `folder` at a new pseudo-terminal; `history` is
    // LARCH_HISTORY's value (none: unset, with HOME the folder).
    Terminal(const std::string& folder, const std::optional<std::string>& history) {
        m_child = ::forkpty(&m_fd, nullptr, nullptr, nullptr);
        if (m_child == 0) {
            // ^D an ordinary key also between two lines, when the line editor
            // has handed the terminal back to the kernel's line discipline
            // (which would take it as its own end of file): so a ^D typed
            // right after a prompt reaches the editor.
            termios settings{};
            if (::tcgetattr(STDIN_FILENO, &settings) == 0) {
                settings.c_cc[VEOF] = _POSIX_VDISABLE;
                ::tcsetattr(STDIN_FILENO, TCSANOW, &settings);
            }
            ::setenv("TERM", "xterm", 1);
            if (history) {
                ::setenv("LARCH_HISTORY", history->c_str(), 1);
            } else {
                ::unsetenv("LARCH_HISTORY");
                ::setenv("HOME", folder.c_str(), 1);
            }
            ::execl(LARCH_PATH, LARCH_PATH, folder.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
    }
    ~Terminal() {
        if (m_child > 0) {
            ::kill(m_child, SIGKILL);
            ::waitpid(m_child, nullptr, 0);
        }
        if (m_fd >= 0) ::close(m_fd);
    }
    bool Started() const { return m_child > 0; }

    void Type(const std::string& keys) { ASSERT_EQ(::write(m_fd, keys.data(), keys.size()), static_cast<ssize_t>(keys.size())); }

    // Reads what the terminal shows until `text` appeared after what was
    // waited for before (or 10 s passed); returns whether it did.
    bool WaitFor(const std::string& text) {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (m_screen.find(text, m_seen) == std::string::npos) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            pollfd p{m_fd, POLLIN, 0};
            if (::poll(&p, 1, 100) <= 0) continue;
            char buffer[4096];
            ssize_t n = ::read(m_fd, buffer, sizeof buffer);
            if (n <= 0) return false;
            m_screen.append(buffer, static_cast<std::size_t>(n));
        }
        m_seen = m_screen.find(text, m_seen) + text.size();
        return true;
    }

    // The exit status once the shell ended by itself (within 10 s), else -1.
    int Wait() {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        int status = 0;
        while (::waitpid(m_child, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > deadline) return -1;
            pollfd p{m_fd, POLLIN, 0};
            char buffer[4096];
            ssize_t n = ::poll(&p, 1, 50) > 0 ? ::read(m_fd, buffer, sizeof buffer) : 0;
            if (n > 0) m_screen.append(buffer, static_cast<std::size_t>(n));
        }
        m_child = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    const std::string& Screen() const { return m_screen; }

private:
    pid_t m_child = -1;
    int m_fd = -1;
    std::string m_screen;
    std::size_t m_seen = 0;
};

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

constexpr const char* kUp = "\x1b[A";
// The CSV result "C\r\n2\r\n" as the terminal shows it (its line discipline
// turns each "\n" into "\r\n").
constexpr const char* kCountOfTwo = "C\r\r\n2\r\r\n";

TEST(ShellTerminal, PromptsMultiLineStatementsAndHistory) {
    TestFolder folder;
    const std::string history = folder / "history";
    {
        Terminal terminal(folder.path(), history);
        ASSERT_TRUE(terminal.Started());
        ASSERT_TRUE(terminal.WaitFor("larch> ")) << terminal.Screen();
        terminal.Type(".create T (N INTEGER)\r");
        ASSERT_TRUE(terminal.WaitFor("larch> ")) << terminal.Screen();
        terminal.Type("INSERT INTO T (N) VALUES (7);\r");
        ASSERT_TRUE(terminal.WaitFor("rows affected: 1")) << terminal.Screen();
        // The up arrow brings the INSERT back; Return runs it again.
        ASSERT_TRUE(terminal.WaitFor("larch> ")) << terminal.Screen();
        terminal.Type(kUp);
        ASSERT_TRUE(terminal.WaitFor("VALUES (7);")) << terminal.Screen();
        terminal.Type("\r");
        ASSERT_TRUE(terminal.WaitFor("rows affected: 1")) << terminal.Screen();
        // A statement not ended by ";" continues on the next line.
        ASSERT_TRUE(terminal.WaitFor("larch> ")) << terminal.Screen();
        terminal.Type("SELECT COUNT(*) AS C\r");
        ASSERT_TRUE(terminal.WaitFor("   ...> ")) << terminal.Screen();
        terminal.Type("FROM T;\r");
        ASSERT_TRUE(terminal.WaitFor(kCountOfTwo)) << terminal.Screen();
        ASSERT_TRUE(terminal.WaitFor("larch> ")) << terminal.Screen();
        terminal.Type("SELECT N + 1 AS M FROM T;\r");
        ASSERT_TRUE(terminal.WaitFor("8\r\r\n8\r\r\n")) << terminal.Screen();
        ASSERT_TRUE(terminal.WaitFor("larch> ")) << terminal.Screen();
        terminal.Type(".quit\r");
        EXPECT_EQ(terminal.Wait(), 0);
    }
    const std::string kept = ReadFile(history);  // libedit writes a blank as \040
    for (const char* line : {"create", "INSERT", "COUNT", "FROM", "AS\\040M", "quit"}) {
        EXPECT_NE(kept.find(line), std::string::npos) << line << " not in " << kept;
    }

    // The next session recalls the last session's lines.
    Terminal again(folder.path(), history);
    ASSERT_TRUE(again.WaitFor("larch> ")) << again.Screen();
    again.Type(std::string(kUp) + kUp);  // .quit, then the SELECT
    ASSERT_TRUE(again.WaitFor("AS M FROM T;")) << again.Screen();
    again.Type("\r");
    ASSERT_TRUE(again.WaitFor("8\r\r\n8\r\r\n")) << again.Screen();
    ASSERT_TRUE(again.WaitFor("larch> ")) << again.Screen();
    again.Type("\x04");  // ^D on an empty line ends the shell
    EXPECT_EQ(again.Wait(), 0) << again.Screen();
}

// A history file that cannot be read or written, or none at all, does not
// keep the shell from working.
TEST(ShellTerminal, WithoutAUsableHistoryFile) {
    TestFolder folder;
    for (const std::string& history : {std::string(), folder / "no/such/folder/history", folder.path()}) {
        Terminal terminal(folder.path(), history);
        ASSERT_TRUE(terminal.WaitFor("larch> ")) << history << terminal.Screen();
        terminal.Type(".tables\r.exit 4\r");
        EXPECT_EQ(terminal.Wait(), 4) << history << terminal.Screen();
    }
}

// Without LARCH_HISTORY the history is ~/.larch_history.
TEST(ShellTerminal, TheHistoryIsInTheHomeFolderByDefault) {
    TestFolder folder;
    Terminal terminal(folder.path(), std::nullopt);
    ASSERT_TRUE(terminal.WaitFor("larch> ")) << terminal.Screen();
    terminal.Type(".tables\r");
    ASSERT_TRUE(terminal.WaitFor("larch> ")) << terminal.Screen();
    terminal.Type(".quit\r");
    EXPECT_EQ(terminal.Wait(), 0);
    EXPECT_NE(ReadFile(folder / ".larch_history").find(".tables"), std::string::npos);
}

}  // namespace
}  // namespace larch
