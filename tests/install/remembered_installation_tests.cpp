// What an installation remembers of what it made: how an upgrade adds to the record, and the
// record in the installation's entry among the installed programs, whole or damaged.
#include <gtest/gtest.h>
#include <windows.h>

#include <string.h>
#include <memory>
#include <string>
#include <vector>

#include "base/scoped_handle.h"
#include "formats/installation_memory/remembered_installation.h"
#include "formats/installation_memory/shared_things.h"
#include "support/enum_printers.h"
#include "support/uninstall_entry_reader.h"
#include "system/uninstall/remembered_installation_store.h"
#include "system/uninstall/saved_uninstall_entry.h"
#include "system/uninstall/uninstall_entry.h"

namespace {

using Record = RememberedInstallation;
using RecordPointer = std::unique_ptr<Record>;

const Provenance kNone = Provenance::kNone, kMade = Provenance::kMade, kFound = Provenance::kFound,
                 kUnknown = Provenance::kUnknown;

// Records are large: on the heap, zeroed, so that two equal ones compare equal byte for byte.
RecordPointer Zeroed()
{
    RecordPointer record(new Record);
    memset(static_cast<void*>(record.get()), 0, sizeof(Record));
    return record;
}

bool Equal(const Record& a, const Record& b)
{
    return memcmp(&a, &b, sizeof(Record)) == 0;
}

// The provenance of every thing, in the record's order.
Provenance Record::*const kThings[] = {&Record::folder,      &Record::server_certificate, &Record::root_certificate,
                                       &Record::trust_list,  &Record::binding,            &Record::hosts_block,
                                       &Record::service,     &Record::shortcuts};

std::string Provenances(const Record& record)
{
    std::string text;
    for (auto thing : kThings)
        text += "NMFU"[static_cast<int>(record.*thing)];
    return text;
}

// A record with every field filled to its edge, each thing with `provenance`.
RecordPointer Filled(Provenance provenance)
{
    RecordPointer r = Zeroed();
    for (auto thing : kThings)
        r.get()->*thing = provenance;
    wcscpy(r->topmost_made_folder, std::wstring(MAX_PATH - 1, L'ф').c_str());
    for (int i = 0; i < 20; ++i) {
        r->server_thumbprint[i] = static_cast<BYTE>(i + 1);
        r->root_thumbprint[i] = static_cast<BYTE>(0xF0 - i);
    }
    wcscpy(r->key_container, L"{Velmora key container}");
    r->replaced_certificate_size = sizeof(r->replaced_certificate);
    memset(r->replaced_certificate, 0xA5, sizeof(r->replaced_certificate));
    wcscpy(r->binding_address, L"255.255.255.255");
    r->replaced_binding_size = 7;
    memcpy(r->replaced_binding, "binding", 7);
    strcpy(r->hosts_domain, std::string(255, 'd').c_str());
    strcpy(r->hosts_address, "192.168.100.200");
    r->hosts_taken.count = HostsTakenLines::kCapacity;
    for (HostsTakenLine& line : r->hosts_taken.lines) {
        strcpy(line.before, std::string(511, '\xE9').c_str());
        strcpy(line.after, "10.0.0.1 other.test");
    }
    memset(r->hosts_taken.lines[0].after, 0, sizeof(HostsTakenLine::after));  // the line went whole
    wcscpy(r->service_name, std::wstring(63, L's').c_str());
    return r;
}

// A hosted server's: no certificate, binding or hosts block of its own.
RecordPointer Hosted()
{
    RecordPointer r = Zeroed();
    r->folder = kFound;
    r->service = kMade;
    r->shortcuts = kMade;
    wcscpy(r->service_name, L"VelmoraHosted");
    return r;
}

// An upgrade's run gives its record; the kept one says what the installation made before.
TEST(ExtendRememberedInstallation, KeepsWhatTheInstallationMadeOrFoundOfTheSameThing)
{
    const struct
    {
        Provenance kept, run;
        bool sameThing;
        Provenance result;
        bool runsData;
    } cases[] = {
        {kMade, kFound, true, kMade, false},  // the upgrade reuses its own certificate
        {kMade, kMade, true, kMade, false},   // its first import's replaced entry stays
        {kFound, kMade, true, kFound, false},
        {kFound, kFound, true, kFound, false},
        {kMade, kFound, false, kFound, true},  // another certificate now
        {kFound, kMade, false, kMade, true},
        {kNone, kMade, false, kMade, true},
        {kUnknown, kMade, true, kMade, true},
        {kUnknown, kFound, true, kFound, true},
        {kMade, kNone, false, kMade, false},
        {kMade, kUnknown, true, kMade, false},
        {kFound, kUnknown, false, kFound, false},
        {kNone, kUnknown, false, kUnknown, true},
        {kUnknown, kNone, false, kUnknown, false},
        {kNone, kNone, false, kNone, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << int(c.kept) << " " << int(c.run) << " " << c.sameThing);
        RecordPointer kept = Zeroed(), run = Zeroed();
        kept->server_certificate = c.kept;
        run->server_certificate = c.run;
        run->server_thumbprint[0] = c.sameThing ? 0 : 1;
        wcscpy(kept->key_container, L"kept");
        wcscpy(run->key_container, L"run");
        kept->replaced_certificate_size = 1;
        run->replaced_certificate_size = 2;
        ExtendRememberedInstallation(*kept, *run);
        EXPECT_EQ(c.result, kept->server_certificate);
        EXPECT_EQ(c.runsData ? L"run" : L"kept", std::wstring(kept->key_container));
        EXPECT_EQ(c.runsData ? 2u : 1u, kept->replaced_certificate_size);
        EXPECT_EQ(c.runsData && !c.sameThing ? 1 : 0, kept->server_thumbprint[0]);
    }
}

// The removal of an installation and the others' records: a shared thing it made goes over
// to the first one that found the same thing, or stays for one that cannot tell.
TEST(HandOverSharedThings, GivesWhatTheLeavingMadeToTheFirstThatFoundIt)
{
    const SharedThingFate kTake = SharedThingFate::kTake, kHandOver = SharedThingFate::kHandOver,
                          kKeep = SharedThingFate::kKeep;
    const struct
    {
        const char* what;
        Provenance leaving;
        std::vector<Provenance> others;
        bool sameThing;
        SharedThingFate fate;
        int heir;  // the other that takes it over; -1 for none
    } cases[] = {
        {"alone", kMade, {}, true, kTake, -1},
        {"the other found it", kMade, {kFound}, true, kHandOver, 0},
        {"the first of two that found it", kMade, {kNone, kFound, kFound}, true, kHandOver, 1},
        {"the other found another", kMade, {kFound}, false, kTake, -1},
        {"the other made its own", kMade, {kMade}, true, kTake, -1},
        {"the other has none", kMade, {kNone}, true, kTake, -1},
        {"an earlier release cannot tell", kMade, {kUnknown}, true, kKeep, -1},
        {"one that found it before one that cannot tell", kMade, {kUnknown, kFound}, true, kHandOver, 1},
        {"the leaving found it", kFound, {kFound}, true, kTake, -1},
        {"the leaving cannot tell", kUnknown, {kFound}, true, kTake, -1},
    };
    Provenance Record::*const shared[] = {&Record::server_certificate, &Record::root_certificate,
                                          &Record::trust_list};
    for (const auto& c : cases) {
        for (int which = 0; which < 3; ++which) {
            SCOPED_TRACE(testing::Message() << c.what << ", thing " << which);
            Provenance Record::*thing = shared[which];
            RecordPointer leaving = Zeroed();
            leaving.get()->*thing = c.leaving;
            leaving->server_thumbprint[0] = leaving->root_thumbprint[0] = 7;
            wcscpy(leaving->key_container, L"leaving");
            leaving->replaced_certificate_size = 3;
            std::vector<Record> others(c.others.size());
            std::unique_ptr<bool[]> changed(new bool[c.others.size() + 1]());
            for (size_t i = 0; i < others.size(); ++i) {
                memset(static_cast<void*>(&others[i]), 0, sizeof(Record));
                others[i].*thing = c.others[i];
                // The trust list is one: it is always the same thing.
                others[i].server_thumbprint[0] = others[i].root_thumbprint[0] = c.sameThing ? 7 : 8;
            }
            const SharedThingsFates fates =
                HandOverSharedThings(*leaving, others.data(), changed.get(), static_cast<int>(others.size()));
            const SharedThingFate fate[] = {fates.server_certificate, fates.root_certificate, fates.trust_list};
            // There is one trust list: the one another certificate's finder found is the same.
            const int heir = which == 2 && !c.sameThing ? 0 : c.heir;
            EXPECT_EQ(heir >= 0 ? kHandOver : c.fate, fate[which]);
            EXPECT_EQ(heir >= 0 ? kFound : c.leaving, leaving.get()->*thing) << "the leaving's removal leaves it";
            for (int other = 0; other < static_cast<int>(others.size()); ++other) {
                EXPECT_EQ(other == heir, changed[other]);
                EXPECT_EQ(other == heir ? kMade : c.others[other], others[other].*thing);
                const bool tookCertificate = other == heir && which == 0;
                EXPECT_EQ(tookCertificate ? L"leaving" : L"", std::wstring(others[other].key_container));
                EXPECT_EQ(tookCertificate ? 3u : 0u, others[other].replaced_certificate_size);
            }
            for (int other = 0; other < 3; ++other)
                EXPECT_EQ(other == which ? leaving.get()->*thing : kNone, leaving.get()->*shared[other])
                    << "another thing was touched";
        }
    }
}

// What is the same thing for each: a thing the installation made stays made when the upgrade
// finds the same one, and gives way when it finds another.
TEST(ExtendRememberedInstallation, TellsTheSameThingByItsName)
{
    const struct
    {
        const char* what;
        void (*differ)(Record& kept, Record& run);  // null: the run's thing is the same
        Provenance Record::*thing;
    } cases[] = {
        {"the one folder, whatever was made above it", [](Record&, Record& run) { run.topmost_made_folder[0] = L'C'; },
         &Record::folder},
        {"the one trust list", nullptr, &Record::trust_list},
        {"the one program group", nullptr, &Record::shortcuts},
        {"a root certificate of another thumbprint",
         [](Record&, Record& run) { run.root_thumbprint[19] = 1; }, &Record::root_certificate},
        {"a binding of another address",
         [](Record& kept, Record& run) {
             wcscpy(kept.binding_address, L"10.0.0.1");
             wcscpy(run.binding_address, L"10.0.0.10");
         },
         &Record::binding},
        {"a hosts block of another address",
         [](Record& kept, Record& run) {
             strcpy(kept.hosts_address, "10.0.0.1");
             strcpy(run.hosts_address, "10.0.0.2");
         },
         &Record::hosts_block},
        {"a hosts block of another domain",
         [](Record& kept, Record& run) {
             strcpy(kept.hosts_domain, "velmora.test");
             strcpy(run.hosts_domain, "velmora.tes");
         },
         &Record::hosts_block},
        {"a service of another name",
         [](Record& kept, Record& run) {
             wcscpy(kept.service_name, L"Velmora");
             wcscpy(run.service_name, L"Velmora2");
         },
         &Record::service},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        RecordPointer kept = Zeroed(), run = Zeroed();
        kept.get()->*c.thing = kMade;
        run.get()->*c.thing = kFound;
        if (c.differ)
            c.differ(*kept, *run);
        ExtendRememberedInstallation(*kept, *run);
        EXPECT_EQ(c.differ && c.thing != &Record::folder ? kFound : kMade, kept.get()->*c.thing);
    }
    // Names compared as the hosts file and the service manager compare them.
    RecordPointer kept = Zeroed(), run = Zeroed();
    kept->hosts_block = kept->service = kMade;
    run->hosts_block = run->service = kFound;
    strcpy(kept->hosts_domain, "Velmora.Test");
    strcpy(run->hosts_domain, "velmora.TEST");
    wcscpy(kept->service_name, L"VelmoraДом");
    wcscpy(run->service_name, L"velmoraдом");
    ExtendRememberedInstallation(*kept, *run);
    EXPECT_EQ("NNNNNMMN", Provenances(*kept));
}

// An installation's entry among the installed programs, taken away with its record at the end.
class RememberedInstallationStore : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(WriteUninstallEntry(name_.c_str(), L"C:\\Velmora Memory", 1)); }
    void TearDown() override
    {
        RemoveRememberedInstallation(name_.c_str());
        UninstallEntryReader(name_).Delete();
    }

    // Sets one value of the record's key (REG_NONE: deletes it).
    void SetValue(const wchar_t* name, DWORD type, const void* data, size_t size)
    {
        const std::wstring path = std::wstring(kUninstallRoot) + L"\\VelmoraServer_" + name_ + L"\\Installation";
        HKEY opened = nullptr;
        ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_SET_VALUE, &opened));
        UniqueRegKey key(opened);
        if (type == REG_NONE)
            ASSERT_EQ(ERROR_SUCCESS, RegDeleteValueW(opened, name));
        else
            ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(opened, name, 0, type, static_cast<const BYTE*>(data),
                                                    static_cast<DWORD>(size)));
    }

    const std::wstring name_ = L"Memory" + std::to_wstring(GetCurrentProcessId());
    const wchar_t* Name() const { return name_.c_str(); }
};

TEST_F(RememberedInstallationStore, GivesBackEveryFieldAndOnlyTheLastRecord)
{
    RecordPointer read = Zeroed();
    for (const RecordPointer& written : {Filled(kMade), Filled(kUnknown), Hosted()}) {
        SCOPED_TRACE(Provenances(*written));
        ASSERT_TRUE(WriteRememberedInstallation(Name(), *written));
        ASSERT_TRUE(ReadRememberedInstallation(Name(), *read));
        EXPECT_TRUE(Equal(*written, *read)) << Provenances(*read);
    }
    // Removed for an undo: no record, and nothing known.
    EXPECT_TRUE(RemoveRememberedInstallation(Name()));
    EXPECT_TRUE(RemoveRememberedInstallation(Name()));
    EXPECT_FALSE(ReadRememberedInstallation(Name(), *read));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
    EXPECT_EQ("UUUUUUUU", Provenances(*read));
}

// A damaged value makes its own thing unknown, never made, and leaves the others as written.
// Until the format is written last, the values are no record; a record of another format
// is not read as this one.
TEST_F(RememberedInstallationStore, DamagedValueMakesItsThingUnknownAndAnotherFormatNoRecord)
{
    const DWORD nine = 9, made = 1, two = 2;
    const BYTE thumbprint[19] = {};
    wchar_t address[16];  // "10.0.0.100.12345": the field's capacity, no room for the terminator
    wmemcpy(address, L"10.0.0.100.12345", 16);
    const std::wstring longFolder(MAX_PATH, L'x');
    const std::string longDomain(256, 'd');
    const std::vector<BYTE> binding(2049, 1);
    const DWORD nineLines[1 + 9 * 256] = {9};
    const DWORD oneLineShort[1 + 255] = {1};
    const struct
    {
        const wchar_t* value;
        DWORD type;
        const void* data;
        size_t size;
        const char* provenances;
        DWORD error = 0;  // no record read, for this reason
    } cases[] = {
        {L"ServerCertificate", REG_DWORD, &nine, 4, "MUMMMMMM"},
        {L"Shortcuts", REG_SZ, L"1", 4, "MMMMMMMU"},
        {L"Service", REG_NONE, nullptr, 0, "MMMMMMUM"},
        {L"TrustList", REG_BINARY, &made, 4, "MMMUMMMM"},
        {L"KeyContainer", REG_BINARY, L"key", 8, "MUMMMMMM"},
        {L"ServerThumbprint", REG_BINARY, thumbprint, sizeof(thumbprint), "MUMMMMMM"},
        {L"RootThumbprint", REG_NONE, nullptr, 0, "MMUMMMMM"},
        {L"TopmostMadeFolder", REG_SZ, longFolder.c_str(), (MAX_PATH + 1) * sizeof(wchar_t), "UMMMMMMM"},
        {L"BindingAddress", REG_SZ, address, sizeof(address), "MMMMUMMM"},
        {L"ReplacedBinding", REG_BINARY, binding.data(), binding.size(), "MMMMUMMM"},
        {L"HostsDomain", REG_BINARY, longDomain.data(), longDomain.size(), "MMMMMUMM"},
        {L"HostsTakenLines", REG_BINARY, nineLines, sizeof(nineLines), "MMMMMUMM"},
        {L"HostsTakenLines", REG_BINARY, oneLineShort, sizeof(oneLineShort), "MMMMMUMM"},
        {L"Format", REG_NONE, nullptr, 0, "UUUUUUUU", ERROR_FILE_NOT_FOUND},
        {L"Format", REG_SZ, L"1", 4, "UUUUUUUU", ERROR_FILE_NOT_FOUND},
        {L"Format", REG_DWORD, &two, 4, "UUUUUUUU", ERROR_UNKNOWN_REVISION},
    };
    RecordPointer written = Filled(kMade), read = Zeroed();
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.value << " " << c.type << " " << c.size);
        ASSERT_TRUE(WriteRememberedInstallation(Name(), *written));
        SetValue(c.value, c.type, c.data, c.size);
        EXPECT_EQ(c.error == 0, ReadRememberedInstallation(Name(), *read));
        if (c.error != 0) {
            EXPECT_EQ(c.error, GetLastError());
        }
        EXPECT_EQ(c.provenances, Provenances(*read));
    }
    // At the edge, still whole: a text stored without its terminator ends all the same.
    ASSERT_TRUE(WriteRememberedInstallation(Name(), *written));
    SetValue(L"BindingAddress", REG_SZ, address, sizeof(address) - sizeof(wchar_t));
    ASSERT_TRUE(ReadRememberedInstallation(Name(), *read));
    EXPECT_EQ("MMMMMMMM", Provenances(*read));
    EXPECT_EQ(L"10.0.0.100.1234", std::wstring(read->binding_address));
}

// A write that fails half-way, at a text without its end, leaves no record at all.
TEST_F(RememberedInstallationStore, IsNoRecordAfterAWriteThatFailedHalfWay)
{
    RecordPointer written = Filled(kMade), read = Zeroed();
    ASSERT_TRUE(WriteRememberedInstallation(Name(), *written));
    wmemset(written->binding_address, L'1', 16);
    EXPECT_FALSE(WriteRememberedInstallation(Name(), *written));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_DATA), GetLastError());
    EXPECT_FALSE(ReadRememberedInstallation(Name(), *read));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
    // No entry, no record written.
    const std::wstring other = L"NoEntry" + std::to_wstring(GetCurrentProcessId());
    EXPECT_FALSE(WriteRememberedInstallation(other.c_str(), *Hosted()));
    EXPECT_FALSE(UninstallEntryReader(other).Exists());
}

// The entry's record goes and comes back with the entry.
TEST_F(RememberedInstallationStore, GoesAndComesBackWithTheEntry)
{
    RecordPointer before = Filled(kFound), read = Zeroed();
    ASSERT_TRUE(WriteRememberedInstallation(Name(), *before));
    SavedUninstallEntry saved;
    ASSERT_TRUE(saved.Save(Name()));
    ASSERT_TRUE(WriteRememberedInstallation(Name(), *Hosted()));
    ASSERT_TRUE(saved.PutBack());
    ASSERT_TRUE(ReadRememberedInstallation(Name(), *read));
    EXPECT_TRUE(Equal(*before, *read)) << Provenances(*read);

    EXPECT_TRUE(RemoveUninstallEntriesOfFolder(L"C:\\Velmora Memory"));
    EXPECT_FALSE(UninstallEntryReader(name_).Exists());
}

}  // namespace
