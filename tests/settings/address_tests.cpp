// Offered addresses, the domain comparison and the port test.
#include "support/socket_helpers.h"

#include "wizard/settings_page/host_addresses.h"
#include "wizard/settings_page/port_test.h"

namespace {

ULONG Ip(const char* dotted) { return inet_addr(dotted); }

AddressList List(std::initializer_list<const char*> dotted)
{
    AddressList list = {};
    for (const char* address : dotted)
        list.entries[list.count++] = Ip(address);
    return list;
}

using Addresses = WinsockTest;

} // namespace

TEST_F(Addresses, TheListStartsWithAnyAddressThenThisMachinesOwn)
{
    AddressList list;
    ListHostAddresses(list);
    ASSERT_GE(list.count, 1u);
    EXPECT_EQ(0u, list.entries[0]);
    char name[260] = {};
    ASSERT_EQ(0, gethostname(name, sizeof(name)));
    AddressList resolved;
    ASSERT_TRUE(ResolveHostAddresses(name, resolved));
    ASSERT_EQ(resolved.count + 1, list.count);
    for (size_t i = 0; i < resolved.count; ++i)
        EXPECT_EQ(resolved.entries[i], list.entries[i + 1]);
}

TEST_F(Addresses, NamesThatDoNotResolveGiveNothing)
{
    AddressList resolved = List({"10.0.0.1"});
    EXPECT_FALSE(ResolveHostAddresses("velmora-nowhere.invalid", resolved));
    EXPECT_EQ(0u, resolved.count);
    EXPECT_FALSE(ResolveHostAddresses("", resolved));
    EXPECT_TRUE(ResolveHostAddresses("192.0.2.7", resolved));
    ASSERT_EQ(1u, resolved.count);
    EXPECT_EQ(Ip("192.0.2.7"), resolved.entries[0]);
}

TEST_F(Addresses, AChosenAddressMatchesOnlyItselfAnyAddressEveryOfferedOneAndLoopback)
{
    AddressList offered = List({"0.0.0.0", "192.168.1.5", "10.1.1.1"});
    const struct { size_t selection; AddressList resolved; bool matches; const char* why; } cases[] = {
        {2, List({"10.1.1.1"}), true, "the chosen address"},
        {1, List({"10.1.1.1"}), false, "another offered address"},
        {1, List({"127.0.0.1"}), false, "a chosen address does not answer on loopback"},
        {7, List({"10.1.1.1"}), false, "an index past the list"},
        {0, List({"8.8.8.8", "10.1.1.1"}), true, "any: one of the offered addresses"},
        {0, List({"127.0.0.1"}), true, "any: loopback"},
        {0, List({"127.0.1.1"}), true, "any: the whole loopback network"},
        {0, List({"192.0.2.1"}), false, "any: no address of this machine"},
        {0, List({}), false, "any: nothing resolved"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.matches, AddressesMatch(offered, c.selection, c.resolved)) << c.why;
}

TEST_F(Addresses, APortHeldByAnotherServerIsInUseAndFreeAgainAfterwards)
{
    {
        PortHolder holder(Ip("127.0.0.1"));
        ASSERT_TRUE(holder.Bound()) << "another program holds 443 on this machine";
        int error = 0;
        EXPECT_EQ(PortVerdict::kInUse, TestServerPort(Ip("127.0.0.1"), &error));
        EXPECT_EQ(PortVerdict::kInUse, TestServerPort(0, &error)) << "any address includes it";
    }
    int error = 0;
    EXPECT_EQ(PortVerdict::kFree, TestServerPort(Ip("127.0.0.1"), &error));
    EXPECT_EQ(PortVerdict::kFree, TestServerPort(0, &error));
}

TEST_F(Addresses, AnAddressOfAnotherMachineCannotBeBound)
{
    int error = 0;
    EXPECT_EQ(PortVerdict::kInUse, TestServerPort(Ip("192.0.2.1"), &error));
}
