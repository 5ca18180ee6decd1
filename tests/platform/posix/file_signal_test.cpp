#include <gtest/gtest.h>

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <thread>

#include "platform/platform.h"
#include "support/signal.h"

namespace {

void ignoreSignal(int) { }

// A signal handled while a read waits for data (here on a pipe) must not turn into a failed read.
TEST(Platform, ReadSurvivesAnInterruptingSignal)
{
    const std::string path = testsig::tempPath("platform.fifo");
    ::unlink(path.c_str());
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    struct sigaction handler { };
    struct sigaction previous { };
    handler.sa_handler = ignoreSignal;  // no SA_RESTART: the blocked read returns EINTR
    sigemptyset(&handler.sa_mask);
    ASSERT_EQ(::sigaction(SIGUSR1, &handler, &previous), 0);
    const pthread_t readerThread = pthread_self();
    std::thread writer([&] {
        const int fd = ::open(path.c_str(), O_WRONLY);  // waits for the reader's open
        platform::sleepMs(50);
        pthread_kill(readerThread, SIGUSR1);
        platform::sleepMs(50);
        EXPECT_EQ(::write(fd, "xy", 2), 2);
        ::close(fd);
    });
    platform::File f;
    ASSERT_TRUE(f.open(path.c_str(), platform::File::Mode::Read));
    char buf[2] = {};
    EXPECT_EQ(f.read(buf, 2), 2);
    EXPECT_EQ(std::string(buf, 2), "xy");
    writer.join();
    ::sigaction(SIGUSR1, &previous, nullptr);
    ::unlink(path.c_str());
}

}  // namespace
