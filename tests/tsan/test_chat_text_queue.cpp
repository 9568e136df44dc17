// The chat-text queue on its own, built for ThreadSanitizer: one thread
// queues as the chat service does while another drains as the frame loop
// does. The allocator is a counting stand-in so leaks show as live blocks.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "../../Src/chat/ChatTextQueue.h"
#include "../../Src/platform/Os.h"
#include "../../Src/platform/Pellick.h"

static std::atomic<int> liveBlocks{0};

void* Allocate(uint32_t size, const char*, int) {
    void* block = malloc(size);
    if (block) ++liveBlocks;
    return block;
}
void Free(void* block, const char*, int) {
    if (!block) return;
    --liveBlocks;
    free(block);
}
// The OS layer's date formatting needs the widening converter; the queue never
// formats dates, so this build widens byte by byte.
Unicode* Unicode::utf8ToUnicode(Unicode* dst, const char* src, int size) {
    int i = 0;
    for (; i < size - 1 && src[i]; ++i)
        dst[i].ch = (uint8_t)src[i];
    if (size > 0) dst[i].ch = 0;
    return dst;
}

namespace {

constexpr int kMessages = 100000;

struct QueueTest : ::testing::Test {
    void SetUp() override { CreateChatTextLock(); }
    void TearDown() override {
        DeleteChatTextLock();
        EXPECT_EQ(liveBlocks.load(), 0);
    }
};

TEST_F(QueueTest, ProducerThreadLosesNothingAndKeepsOrder) {
    std::atomic<bool> failed{false};
    std::thread producer([&] {
        char text[32];
        for (int i = 0; i < kMessages; ++i) {
            snprintf(text, sizeof text, "message %d", i);
            if (!QueueChatText(text, i % 6, 0)) failed = true;
        }
    });
    int drawn = 0;
    char expected[32];
    while (drawn < kMessages) {
        ChatTextEntry* entry = TakeChatText();
        if (!entry) {
            std::this_thread::yield();
            continue;
        }
        snprintf(expected, sizeof expected, "message %d", drawn);
        ASSERT_STREQ(entry->text, expected);
        ASSERT_EQ(entry->colour, drawn % 6);
        ASSERT_EQ(entry->clearFirst, 0);
        FreeChatText(entry);
        ++drawn;
    }
    producer.join();
    EXPECT_FALSE(failed.load());
    EXPECT_EQ(TakeChatText(), nullptr);
}

TEST_F(QueueTest, EntriesKeepTheirFieldsAndCopies) {
    char text[] = "first";
    ASSERT_TRUE(QueueChatText(text, 4, 0));
    text[0] = 'X'; // the queue holds its own copy
    ASSERT_TRUE(QueueChatText(nullptr, 0, 1));
    ChatTextEntry* first = TakeChatText();
    ASSERT_NE(first, nullptr);
    EXPECT_STREQ(first->text, "first");
    EXPECT_EQ(first->colour, 4);
    FreeChatText(first);
    ChatTextEntry* clear = TakeChatText();
    ASSERT_NE(clear, nullptr);
    EXPECT_EQ(clear->text, nullptr);
    EXPECT_NE(clear->clearFirst, 0);
    FreeChatText(clear);
    EXPECT_EQ(TakeChatText(), nullptr);
}

TEST_F(QueueTest, DeletingTheLockFreesWhatWasNotDrawn) {
    for (int i = 0; i < 10; ++i)
        ASSERT_TRUE(QueueChatText("left over", 0, 0));
    EXPECT_EQ(liveBlocks.load(), 20);
    DeleteChatTextLock();
    EXPECT_EQ(liveBlocks.load(), 0);
    CreateChatTextLock();
    EXPECT_EQ(TakeChatText(), nullptr);
}

TEST(QueueWithoutLock, QueuesNothing) {
    EXPECT_FALSE(QueueChatText("too early", 0, 0));
    EXPECT_EQ(TakeChatText(), nullptr);
    EXPECT_EQ(liveBlocks.load(), 0);
}

} // namespace
