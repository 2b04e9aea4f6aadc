#include "net/wxHTTP2.h"

#include <gtest/gtest.h>

#include <string>

namespace {

wxString Encode(const std::string& bytes) {
    return Base64Encode(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
}

} // namespace

TEST(Base64Test, Rfc4648Vectors) {
    EXPECT_EQ(Encode(""), "");
    EXPECT_EQ(Encode("f"), "Zg==");
    EXPECT_EQ(Encode("fo"), "Zm8=");
    EXPECT_EQ(Encode("foo"), "Zm9v");
    EXPECT_EQ(Encode("foob"), "Zm9vYg==");
    EXPECT_EQ(Encode("fooba"), "Zm9vYmE=");
    EXPECT_EQ(Encode("foobar"), "Zm9vYmFy");
}

TEST(Base64Test, HighBytesUseTheLastTwoLettersOfTheAlphabet) {
    EXPECT_EQ(Encode("\xfb\xff"), "+/8=");
    EXPECT_EQ(Encode(std::string("\x00\x10\x83\x10\x51\x87", 6)), "ABCDEFGH");
    EXPECT_EQ(Encode("\xff\xff\xff"), "////");
}

TEST(Base64Test, LongCredentialsStayOnOneLine) {
    const std::string credentials = std::string(70, 'u') + ":" + std::string(70, 'p');
    const wxString encoded = Encode(credentials);
    EXPECT_GT(encoded.length(), 76u);
    EXPECT_EQ(encoded.length(), (credentials.size() + 2) / 3 * 4);
    EXPECT_EQ(encoded.find_first_of("\r\n"), wxString::npos);
}
