// The interface list: dotted addresses and numbered entries from the backend's address query.
#include "FakeCaptureSystem.h"
#include "LocalAddresses.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

uint32_t Address(unsigned char a, unsigned char b, unsigned char c, unsigned char d) {
    const unsigned char octets[4] = {a, b, c, d};
    uint32_t address;
    std::memcpy(&address, octets, sizeof address);
    return address;
}

} // namespace

TEST(LocalAddresses, DottedTextReadsTheOctetsInMemoryOrder) {
    const struct {
        uint32_t address;
        const char* text;
    } cases[] = {
        {Address(198, 51, 100, 7), "198.51.100.7"}, {Address(203, 0, 113, 254), "203.0.113.254"},
        {Address(0, 0, 0, 0), "0.0.0.0"},           {Address(255, 255, 255, 255), "255.255.255.255"},
        {Address(127, 0, 0, 1), "127.0.0.1"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FormatDottedAddress(c.address), c.text);
    }
}

TEST(LocalAddresses, EntriesAreNumberedInTheProvidersOrder) {
    FakeCaptureSystem fake;
    fake.SetAddressQuery({{Address(203, 0, 113, 9), Address(198, 51, 100, 1)}, ""});
    const AddressEntries listed = ListLocalAddresses(fake);
    EXPECT_EQ(listed.failure, "");
    EXPECT_EQ(listed.entries, (std::vector<std::string>{"0. ( 203.0.113.9 )", "1. ( 198.51.100.1 )"}));
}

TEST(LocalAddresses, ElevenAddressesGetTwoDigitNumbers) {
    FakeCaptureSystem fake;
    AddressQuery query;
    for (unsigned char last = 1; last <= 11; ++last) {
        query.addresses.push_back(Address(198, 51, 100, last));
    }
    fake.SetAddressQuery(query);
    const AddressEntries listed = ListLocalAddresses(fake);
    ASSERT_EQ(listed.entries.size(), 11u);
    EXPECT_EQ(listed.entries[0], "0. ( 198.51.100.1 )");
    EXPECT_EQ(listed.entries[10], "10. ( 198.51.100.11 )");
}

TEST(LocalAddresses, AFailedQueryGivesItsTextAndNoEntries) {
    FakeCaptureSystem fake;
    fake.SetAddressQuery({{Address(198, 51, 100, 1)}, "WSAIoctl(SIO_ADDRESS_LIST_QUERY) faild.\n"});
    const AddressEntries listed = ListLocalAddresses(fake);
    EXPECT_TRUE(listed.entries.empty());
    EXPECT_EQ(listed.failure, "WSAIoctl(SIO_ADDRESS_LIST_QUERY) faild.\n");

    fake.SetAddressQuery({});
    const AddressEntries none = ListLocalAddresses(fake);
    EXPECT_TRUE(none.entries.empty());
    EXPECT_EQ(none.failure, "");
}
