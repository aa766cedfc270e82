// PC keys from standard input, through a real pipe.
#include "host/key_input.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace {

// A pipe whose read end the reader takes, as a program's standard input.
class KeyPipe : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(pipe(fds_), 0); }
    void TearDown() override {
        close(fds_[0]);
        if (fds_[1] >= 0) close(fds_[1]);
    }

    void write_bytes(const std::string& bytes) {
        ASSERT_EQ(write(fds_[1], bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }
    void end_input() {
        close(fds_[1]);
        fds_[1] = -1;
    }
    int read_end() const { return fds_[0]; }

    // Takes every key waiting in the queue.
    std::vector<int> taken_keys() {
        std::vector<int> keys;
        while (text.key_count > 0) {
            keys.push_back(text.keys[static_cast<size_t>(text.key_head)]);
            text.key_head = (text.key_head + 1) % platform::kKeyQueueSize;
            --text.key_count;
        }
        return keys;
    }

    platform::TextScreen text;

private:
    int fds_[2] = {-1, -1};
};

TEST_F(KeyPipe, BytesBecomeKeysAndTheEndOfInputIsNoticed) {
    host::KeyInput input(read_end());
    write_bytes("CY");
    input.read_keys(text);
    EXPECT_EQ(taken_keys(), (std::vector<int>{'C', 'Y'}));
    EXPECT_FALSE(input.ended());

    input.read_keys(text);  // nothing waiting: nothing blocks, nothing arrives
    EXPECT_TRUE(taken_keys().empty());
    EXPECT_FALSE(input.ended());

    write_bytes("Q");
    end_input();
    input.read_keys(text);
    EXPECT_EQ(taken_keys(), (std::vector<int>{'Q'}));
    EXPECT_TRUE(input.ended());
    input.read_keys(text);  // after the end the reader does nothing more
    EXPECT_TRUE(taken_keys().empty());
}

TEST_F(KeyPipe, LineEndsAreEnterAndDelIsBackspace) {
    host::KeyInput input(read_end());
    write_bytes("Y\nY\r\nN\r\x7f");
    input.read_keys(text);
    EXPECT_EQ(taken_keys(), (std::vector<int>{'Y', 13, 'Y', 13, 'N', 13, 8}));
}

TEST_F(KeyPipe, TerminalSequencesBecomeExtendedKeys) {
    host::KeyInput input(read_end());
    write_bytes("\x1b[A\x1b[D\x1bOP\x1b[24~\x1b[6~\x1b[3~\x1b[1;5C\x1b[Z!");
    input.read_keys(text);
    EXPECT_EQ(taken_keys(), (std::vector<int>{0, 72, 0, 75, 0, 59, 0, 134, 0, 81, 0, 83, 0, 77, '!'}));
}

TEST_F(KeyPipe, AnEscapeThatNoSequenceFollowsIsTheEscKey) {
    host::KeyInput input(read_end());
    write_bytes("\x1b");
    input.read_keys(text);
    input.read_keys(text);  // the terminal sends a sequence whole: nothing came, so it was Esc
    EXPECT_EQ(taken_keys(), (std::vector<int>{27}));

    write_bytes("\x1bY");  // Esc, then a key
    input.read_keys(text);
    EXPECT_EQ(taken_keys(), (std::vector<int>{27, 'Y'}));

    write_bytes("\x1b[");  // cut off by the end of the input
    end_input();
    input.read_keys(text);
    EXPECT_EQ(taken_keys(), (std::vector<int>{27, '['}));
}

TEST_F(KeyPipe, KeysThatFindTheQueueFullWaitInThePipe) {
    host::KeyInput input(read_end());
    const std::string script(platform::kKeyQueueSize + 100, 'K');
    write_bytes(script);
    end_input();
    input.read_keys(text);
    EXPECT_EQ(text.pending_keys(), platform::kKeyQueueSize - 1);  // room is kept for an extended key's two bytes
    size_t taken = taken_keys().size();
    while (!input.ended() || text.pending_keys() > 0) {
        input.read_keys(text);
        taken += taken_keys().size();
    }
    EXPECT_EQ(taken, script.size());
}

}  // namespace
