// The memory stream and the stream helpers.
#include "dataset/stream.h"

#include <gtest/gtest.h>

namespace hollin {
namespace {

TEST(MemoryStream, WriteSeekReadTruncate) {
    TMemoryStream s;
    s.WriteBuffer("abcdef", 6);
    EXPECT_EQ(s.Size(), 6);
    EXPECT_EQ(s.Seek(-2, TSeekOrigin::End), 4);
    char two[2];
    s.ReadBuffer(two, 2);
    EXPECT_EQ(std::string(two, 2), "ef");
    EXPECT_EQ(s.Read(two, 2), 0u);  // at the end
    s.SetPosition(3);
    s.Truncate();
    EXPECT_EQ(std::string(s.Bytes().begin(), s.Bytes().end()), "abc");
    // Before the start is taken as 0; a write past the end fills with zeros.
    EXPECT_EQ(s.Seek(-100, TSeekOrigin::Current), 0);
    s.SetPosition(5);
    s.WriteBuffer("z", 1);
    EXPECT_EQ(s.Bytes(), (std::vector<uint8_t>{'a', 'b', 'c', 0, 0, 'z'}));
}

TEST(MemoryStream, ShortReadRaises) {
    TMemoryStream s(std::vector<uint8_t>{1, 2, 3});
    uint8_t four[4];
    EXPECT_THROW(s.ReadBuffer(four, 4), EStreamError);
}

TEST(MemoryStream, CopyFromWholeSourceAndPart) {
    TMemoryStream source(std::vector<uint8_t>{1, 2, 3, 4, 5});
    source.SetPosition(4);
    TMemoryStream all;
    EXPECT_EQ(all.CopyFrom(source, 0), 5);  // 0: everything, from the start
    EXPECT_EQ(all.Bytes(), source.Bytes());

    source.SetPosition(1);
    TMemoryStream part;
    EXPECT_EQ(part.CopyFrom(source, 2), 2);
    EXPECT_EQ(part.Bytes(), (std::vector<uint8_t>{2, 3}));
    source.SetPosition(4);
    EXPECT_THROW(part.CopyFrom(source, 3), EStreamError);
}

}  // namespace
}  // namespace hollin
