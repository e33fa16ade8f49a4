#include "export/DeviceId.h"
#include "support/RealLogs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <regex>
#include <sstream>

using namespace tillery;

namespace {

struct Expected {
    const char* id;
    DeviceParts parts;
};

std::string upper(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

}  // namespace

TEST(DeviceId, SplitsTheIdentifiersOfEveryBus)
{
    const Expected cases[] = {
        {R"(USBSTOR\DISK&VEN_KINGSTON&PROD_DATATRAVELER_2.0&REV_PMAP\5B6B0B2A08B9&0)",
         {"USBSTOR", "KINGSTON", "DATATRAVELER_2.0", "PMAP", "5B6B0B2A08B9&0", "", ""}},
        {R"(SWD\WPDBUSENUM\_??_USBSTOR#Disk&Ven_Generic&Prod_Flash_Disk&Rev_8.07#99E2116A&0#{53f56307-b6bf-11d0-94f2-00a0c91efb8b})",
         {"USBSTOR", "Generic", "Flash_Disk", "8.07", "99E2116A&0", "", ""}},
        {R"(IDE\CdRomHL-DT-ST_DVDRAM_GH22NS50________________TN02____\5&2b3c7d39&0&1.0.0)",
         {"IDE", "HL-DT-ST", "DVDRAM_GH22NS50", "TN02", "5&2b3c7d39&0&1.0.0", "", ""}},
        {R"(SCSI\Disk&Ven_VMware_&Prod_VMware_Virtual_S&Rev_1.0\4&5fcaafc&0&000)",
         {"SCSI", "VMware", "VMware_Virtual_S", "1.0", "4&5fcaafc&0&000", "", ""}},
        {R"(SCSI\DiskCOMPAQ__LS-120_HIMA___01)", {"SCSI", "COMPAQ", "LS-120_HIMA___01", "", "", "", ""}},
        {R"(USBSTOR\DiskSony____MSC-U01_________)", {"USBSTOR", "Sony", "MSC-U01", "", "", "", ""}},
        {R"(USBSTOR\GenSFloppy)", {"USBSTOR", "", "", "", "", "", ""}},
        {R"(1394\SONY&DV_CAMERA\08004601B4D1A1)", {"1394", "SONY", "DV_CAMERA", "", "08004601B4D1A1", "", ""}},
        {R"(SBP2\OXFW900_&LHD-SF__&CmdSetId104d8&GenDisk)", {"SBP2", "OXFW900", "LHD-SF", "", "", "", ""}},
        {R"(USB\VID_0781&PID_5583\4C530001234567890123)",
         {"USB", "", "", "", "4C530001234567890123", "0781", "5583"}},
        {R"(usb\vid_0bda&pid_c123&rev_0200)", {"USB", "", "", "0200", "", "0bda", "c123"}},
        {R"(STORAGE\VOLUME\1&30A96598&0&SIGNATUREA8C0A8BOFFSET7E00LENGTHBFB48200)",
         {"STORAGE", "", "", "", "1&30A96598&0&SIGNATUREA8C0A8BOFFSET7E00LENGTHBFB48200", "", ""}},
        // No identifier: nothing is split.
        {"USBSTOR DISK KINGSTON DATATRAVELER 2.0", {}},
        {R"(C:\Windows\inf\usbstor.inf)", {}},
        {R"(%systemroot%\inf)", {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(splitDeviceId(c.id), c.parts) << c.id;
    }
}

TEST(DeviceId, EmbeddedIdentifierStartsAtTheFirstWholeMarker)
{
    const std::pair<const char*, const char*> cases[] = {
        {"", ""},
        {"_??", ""},
        {"x_??_", ""},
        {"_??_#{53f56307}", ""},
        {"??_??_A#B", "A\\B"},
        {"a_?_?_??_B#C#", "B\\C"},
        {"_??_?_??_D", "?_??_D"},
        {"W?_??_E#{g}#F", "E"},
    };
    for (const auto& [text, id] : cases) {
        EXPECT_EQ(embeddedDeviceId(text), id) << text;
    }
}

TEST(DeviceId, RowTakesSignatureThenDeviceThenTheInstanceOfAnEvent)
{
    Record vista;
    vista.instance = R"(Device Install (Hardware initiated) - SWD\WPDBUSENUM\_??_USBSTOR#Disk&Ven_Generic&Prod_Flash_Disk&Rev_8.07#99E2116A&0#{53f56307-b6bf-11d0-94f2-00a0c91efb8b})";
    vista.device = R"(SWD\WPDBUSENUM\_??_USBSTOR#Disk&Ven_Generic&Prod_Flash_Disk&Rev_8.07#99E2116A&0#{53f56307-b6bf-11d0-94f2-00a0c91efb8b})";
    vista.sig = R"(USBSTOR\Disk&Ven_Generic&Prod_Flash_Disk&Rev_8.07\99E2116A&0)";
    EXPECT_EQ(deviceParts(vista, false).serial, "99E2116A&0");

    // An XP volume's Signature is no identifier: the Device is read.
    Record volume;
    volume.device = R"(STORAGE\VOLUME\1&30A96598&0&SIGNATUREA8C0A8BOFFSET7E00LENGTHBFB48200)";
    volume.sig = "Signature: A8C0A8B, Offset: 31 MB, Size: 3 GB";
    EXPECT_EQ(deviceParts(volume, false).bus, "STORAGE");

    // A tidied Device keeps no serial; an event's Instance still holds the identifier,
    // even with the time a Vista title may carry after it.
    Record tidied;
    tidied.instance = R"(Device Install (Hardware initiated) - USBSTOR\Disk&Ven_SanDisk&Prod_Cruzer&Rev_1.00\4C530001234567890123&0 2023/04/15 14:23:12.330)";
    tidied.device = "USBSTOR Disk SanDisk Prod Cruzer";
    EXPECT_TRUE(deviceParts(tidied, false).empty());
    const DeviceParts parts = deviceParts(tidied, true);
    EXPECT_EQ(parts.serial, "4C530001234567890123&0");
    EXPECT_EQ(parts.product, "Cruzer");

    Record xp;
    xp.instance = R"( 632.5] Device Install - USB\VID_04E8&PID_6860\0123456789ABCDEF)";
    EXPECT_EQ(deviceParts(xp, true).pid, "6860");
}

// Every storage identifier in the real logs splits into parts that are its own text.
TEST(DeviceId, RealStorageIdentifiersSplitIntoTheirOwnText)
{
    const std::regex idPattern(R"((USBSTOR|IDE|SCSI|SBP2|1394|USB|STORAGE)\\[A-Za-z0-9&_.\-]+(\\[A-Za-z0-9&_.\-{}]+)?)");
    int seen = 0;
    for (const char* folder : {"xp", "w2k", "vista"}) {
        for (const auto& log : test::realLogs(folder)) {
            std::ifstream in(log, std::ios::binary);
            std::stringstream text;
            text << in.rdbuf();
            const std::string bytes = text.str();
            for (auto it = std::sregex_iterator(bytes.begin(), bytes.end(), idPattern);
                 it != std::sregex_iterator(); ++it) {
                const std::string id = it->str();
                const DeviceParts parts = splitDeviceId(id);
                ASSERT_FALSE(parts.empty()) << id;
                EXPECT_EQ(parts.bus, upper((*it)[1].str())) << id;
                for (const std::string* part : {&parts.vendor, &parts.product, &parts.revision,
                                                &parts.serial, &parts.vid, &parts.pid}) {
                    EXPECT_NE(id.find(*part), std::string::npos) << id << " part " << *part;
                }
                ++seen;
            }
        }
    }
    if (seen == 0) {
        GTEST_SKIP() << "real logs not present";
    }
    EXPECT_GT(seen, 100);
}
