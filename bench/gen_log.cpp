// Writes a large synthetic device-installation log, for timing the extraction: in the
// Windows XP layout, with --w2k in the Windows 2000 layout, or with --vista in the layout
// of setupapi.dev.log (Vista to 11). The same arguments always give the same bytes.
//
//   tillery_gen_log [--w2k | --vista] OUTPUT LINES [SEED]
//
// Writes whole events until at least LINES lines are out, then prints the line and byte
// counts. Lines end in CR LF, as Windows writes them.

#include "LogGenerator.h"
#include "VistaLogWriter.h"
#include "W2kLogWriter.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

using tillery::bench::LineOutput;
using tillery::bench::Random;

struct Vendor {
    std::string_view name;     // as in the hardware ID, padded to 8 with "_"
    std::string_view product;  // padded to 16 with "_"
};
constexpr std::array<Vendor, 8> kUsbDrives = {{
    {"ZORBEX__", "QUIKDRIVE_______"},
    {"KALTRON_", "FLASH_DISK______"},
    {"MEMORIX_", "POCKET_2GB______"},
    {"VANTEC__", "USB_HDD_________"},
    {"GENERIC_", "USB_SD_READER___"},
    {"PIXELA__", "CAMERA_STORAGE__"},
    {"SANWARE_", "CRUZER_MINI_____"},
    {"LEXARIO_", "JUMPDRIVE_SPORT_"},
}};

struct Adapter {
    std::string_view hardwareId;
    std::string_view inf;
    std::string_view description;
};
constexpr std::array<Adapter, 5> kAdapters = {{
    {"PCI\\VEN_8086&DEV_1229", "net82557.inf", "Fast Ethernet Adapter"},
    {"PCI\\VEN_10EC&DEV_8139", "netrtl.inf", "PCI Fast Ethernet NIC"},
    {"PCI\\VEN_14E4&DEV_1677", "b57win32.inf", "Gigabit Ethernet Controller"},
    {"PCI\\VEN_8086&DEV_4220", "w70n51.inf", "Wireless LAN 2200BG Network Connection"},
    {"PCI\\VEN_1022&DEV_2000", "netpcnt.inf", "PCNET Family PCI Ethernet Adapter"},
}};

constexpr std::array<std::string_view, 6> kDeviceClasses = {
    "\"1394\" {6BDD1FC1-810F-11D0-BEC7-08002BE2092F}",
    "\"CDROM\" {4D36E965-E325-11CE-BFC1-08002BE10318}",
    "\"DiskDrive\" {4D36E967-E325-11CE-BFC1-08002BE10318}",
    "\"FloppyDisk\" {4D36E980-E325-11CE-BFC1-08002BE10318}",
    "\"Net\" {4D36E972-E325-11CE-BFC1-08002BE10318}",
    "\"USB\" {36FC9E60-C465-11CF-8056-444553540000}",
};

class LogWriter : public LineOutput {
public:
    LogWriter(std::FILE* file, std::uint64_t seed) : LineOutput(file), m_random(seed) {}

    void header()
    {
        line("[SetupAPI Log]");
        line("OS Version = 5.1.2600 Service Pack 2");
        line("Platform ID = 2 (NT)");
        line("Service Pack = 2.0");
        line("Suite = 0x0100");
        line("Product Type = 1");
        line("Architecture = x86");
        line("");
    }

    // One event, its kind drawn at random with the weights a busy machine's log shows.
    void event()
    {
        const unsigned roll = m_random.below(100);
        if (roll < 30) {
            usbDrive();
        } else if (roll < 50) {
            volume();
        } else if (roll < 62) {
            networkAdapter();
        } else if (roll < 72) {
            cdromDrive();
        } else if (roll < 85) {
            classInstall();
        } else {
            commandLineOnly();
        }
    }

private:
    void sectionHeader(std::string_view description)
    {
        // The clock moves on by a few seconds per event, the process id now and then.
        m_seconds += 1 + m_random.below(40);
        if (m_random.below(20) == 0) {
            m_process = 400 + m_random.below(3000);
            m_thread = 1;
        }
        const std::uint64_t day = m_seconds / 86400;
        const unsigned year = 2006 + static_cast<unsigned>(day / 336);
        const unsigned month = 1 + static_cast<unsigned>((day / 28) % 12);
        const unsigned dayOfMonth = 1 + static_cast<unsigned>(day % 28);
        const unsigned hour = static_cast<unsigned>((m_seconds / 3600) % 24);
        const unsigned minute = static_cast<unsigned>((m_seconds / 60) % 60);
        const unsigned second = static_cast<unsigned>(m_seconds % 60);
        char stamp[64];
        std::snprintf(stamp, sizeof stamp, "[%04u/%02u/%02u %02u:%02u:%02u %u.%u", year, month,
                      dayOfMonth, hour, minute, second, m_process, m_thread++);
        std::string text(stamp);
        if (!description.empty()) {
            text.append(" ").append(description);
        }
        line(text + "]");
    }

    void usbDrive()
    {
        const Vendor& v = m_random.pick(kUsbDrives);
        const std::string revision = std::to_string(1 + m_random.below(9)) + "." +
                                     std::to_string(m_random.below(100));
        const std::string lower =
            lowerCopy("usbstor\\disk" + std::string(v.name) + std::string(v.product));
        const std::string serial = m_random.hex(12) + "&0";
        std::string vendor(v.name);
        std::string product(v.product);
        while (!vendor.empty() && vendor.back() == '_') vendor.pop_back();
        while (!product.empty() && product.back() == '_') product.pop_back();

        sectionHeader("Driver Install");
        line("#-019 Searching for hardware ID(s): " + lower + revision + "," + lower +
             ",usbstor\\disk" + lowerCopy(std::string(v.name)) + ",usbstor\\gendisk,gendisk");
        line("#-198 Command line processed: C:\\WINDOWS\\system32\\services.exe");
        line("#I022 Found \"GenDisk\" in C:\\WINDOWS\\inf\\disk.inf; Device: \"Disk drive\"; "
             "Driver: \"Disk drive\"; Provider: \"Microsoft\"; Mfg: \"(Standard disk drives)\"; "
             "Section name: \"disk_install\".");
        line("#I023 Actual install section: [disk_install.NT]. Rank: 0x00000006. Effective "
             "driver date: 07/01/2001.");
        line("#-166 Device install function: DIF_SELECTBESTCOMPATDRV.");
        line("#I063 Selected driver installs from section [disk_install] in "
             "\"c:\\windows\\inf\\disk.inf\".");
        line("#I320 Class GUID of device remains: {4D36E967-E325-11CE-BFC1-08002BE10318}.");
        line("#-166 Device install function: DIF_INSTALLDEVICE.");
        line("#I121 Device install of \"USBSTOR\\DISK&VEN_" + vendor + "&PROD_" + product +
             "&REV_" + revision + "\\" + serial + "\" finished successfully.");
    }

    void volume()
    {
        const std::string signature = m_random.hex(7 + m_random.below(2));
        const std::string offset = m_random.below(4) == 0 ? "7E00" : m_random.hex(4) + "00";
        const std::string length = m_random.hex(7 + m_random.below(3));
        sectionHeader("Driver Install");
        line("#-019 Searching for hardware ID(s): storage\\volume");
        line("#-198 Command line processed: C:\\WINDOWS\\system32\\services.exe");
        line("#I022 Found \"STORAGE\\Volume\" in C:\\WINDOWS\\inf\\volume.inf; Device: \"Generic "
             "volume\"; Driver: \"Generic volume\"; Provider: \"Microsoft\"; Mfg: \"Microsoft\"; "
             "Section name: \"volume_install\".");
        line("#I023 Actual install section: [volume_install.NT]. Rank: 0x00000000. Effective "
             "driver date: 07/01/2001.");
        line("#I063 Selected driver installs from section [volume_install] in "
             "\"c:\\windows\\inf\\volume.inf\".");
        line("#I320 Class GUID of device remains: {71A27CDD-812A-11D0-BEC7-08002BE2092F}.");
        line("#I121 Device install of \"STORAGE\\VOLUME\\1&30A96598&0&SIGNATURE" + signature +
             "OFFSET" + offset + "LENGTH" + length + "\" finished successfully.");
    }

    void networkAdapter()
    {
        const Adapter& a = m_random.pick(kAdapters);
        const std::string instance = std::string(a.hardwareId) + "&SUBSYS_" + m_random.hex(8) +
                                     "&REV_0" + std::to_string(m_random.below(10)) + "\\3&" +
                                     m_random.hex(7) + "&0&" + m_random.hex(2);
        sectionHeader("Driver Install");
        line("#-019 Searching for hardware ID(s): pci\\" + lowerCopy(instance.substr(4, 40)));
        line("#-198 Command line processed: C:\\WINDOWS\\system32\\services.exe");
        line("#I022 Found \"" + std::string(a.hardwareId) + "\" in C:\\WINDOWS\\inf\\" +
             std::string(a.inf) + "; Device: \"" + std::string(a.description) + "\"; Driver: \"" +
             std::string(a.description) + "\"; Provider: \"Microsoft\"; Mfg: \"(Standard network adapters)\"");
        line("#I023 Actual install section: [" + std::string(a.inf.substr(0, 6)) +
             ".ndi]. Rank: 0x00000001. Effective driver date: 07/01/2001.");
        line("#-166 Device install function: DIF_SELECTBESTCOMPATDRV.");
        line("#I063 Selected driver installs from section [" + std::string(a.inf.substr(0, 6)) +
             ".ndi] in \"c:\\windows\\inf\\" + std::string(a.inf) + "\".");
        line("#I320 Class GUID of device remains: {4D36E972-E325-11CE-BFC1-08002BE10318}.");
        line("#-035 Processing service Add/Delete section [" + std::string(a.inf.substr(0, 6)) +
             ".ndi.Services].");
        line("#I121 Device install of \"" + instance + "\" finished successfully.");
    }

    void cdromDrive()
    {
        const std::string model = "CDROMZORBEX_CD-RW_QX" + std::to_string(10 + m_random.below(90));
        sectionHeader("Driver Install");
        line("#-019 Searching for hardware ID(s): ide\\" + lowerCopy(model) +
             "________________1.0_____,ide\\" + lowerCopy(model) + ",gencdrom");
        line("#-198 Command line processed: C:\\WINDOWS\\system32\\services.exe");
        line("#I022 Found \"GenCdRom\" in C:\\WINDOWS\\inf\\cdrom.inf; Device: \"CD-ROM Drive\"; "
             "Driver: \"CD-ROM Drive\"; Provider: \"Microsoft\"");
        line("#I023 Actual install section: [cdrom_install]. Rank: 0x00000004. Driver date: "
             "10/01/2002. Version: 5.1.2600.2180.");
        line("#I063 Selected driver installs from section [cdrom_install] in "
             "\"c:\\windows\\inf\\cdrom.inf\".");
        line("#I320 Class GUID of device remains: {4D36E965-E325-11CE-BFC1-08002BE10318}.");
        line("#I121 Device install of \"IDE\\" + model + "________________1.0_____\\5&" +
             m_random.hex(4) + "&0&0.0.0\" finished successfully.");
    }

    void classInstall()
    {
        sectionHeader({});
        line("#-199 Executing \"C:\\WINDOWS\\system32\\setup.exe\" with command line: setup "
             "-newsetup");
        line("#I140 Installing device class: " + std::string(m_random.pick(kDeviceClasses)) + ".");
        line("#I141 Class install completed with no errors.");
    }

    void commandLineOnly()
    {
        sectionHeader({});
        line("#-198 Command line processed: C:\\WINDOWS\\system32\\rundll32.exe "
             "newdev.dll,ClientSideInstall \\\\.\\pipe\\PNP_Device_Install_Pipe_0.{" +
             m_random.hex(8) + "-" + m_random.hex(4) + "-" + m_random.hex(4) + "-" +
             m_random.hex(4) + "-" + m_random.hex(12) + "}");
        if (m_random.below(3) == 0) {
            line("#W383 \"oem" + std::to_string(m_random.below(60)) +
                 ".PNF\" migrated. Language = 0409, MinorVersion = 0x00000000.");
        }
    }

    static std::string lowerCopy(std::string text)
    {
        for (char& c : text) {
            c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        }
        return text;
    }

    Random m_random;
    std::uint64_t m_seconds = 8 * 3600;
    unsigned m_process = 1060;
    unsigned m_thread = 1;
};

}  // namespace

int main(int argc, char** argv)
{
    const bool vista = argc > 1 && std::string_view(argv[1]) == "--vista";
    const bool w2k = argc > 1 && std::string_view(argv[1]) == "--w2k";
    if (vista || w2k) {
        --argc;
        ++argv;
    }
    if (argc < 3 || argc > 4) {
        std::fprintf(stderr, "usage: %s [--w2k | --vista] OUTPUT LINES [SEED]\n", argv[0]);
        return 2;
    }
    const std::uint64_t target = std::strtoull(argv[2], nullptr, 10);
    const std::uint64_t seed = argc == 4 ? std::strtoull(argv[3], nullptr, 10) : 20060412;
    std::FILE* file = std::fopen(argv[1], "wb");
    if (file == nullptr) {
        std::perror(argv[1]);
        return 1;
    }
    static char buffer[1 << 20];
    std::setvbuf(file, buffer, _IOFBF, sizeof buffer);

    std::uint64_t lines = 0;
    std::uint64_t bytes = 0;
    const auto write = [&](auto&& writer) {
        writer.header();
        while (writer.lines() < target) {
            writer.event();
        }
        lines = writer.lines();
        bytes = writer.bytes();
    };
    if (vista) {
        write(tillery::bench::VistaLogWriter(file, seed));
    } else if (w2k) {
        write(tillery::bench::W2kLogWriter(file, seed));
    } else {
        write(LogWriter(file, seed));
    }
    if (std::fclose(file) != 0) {
        std::perror(argv[1]);
        return 1;
    }
    std::printf("%llu lines, %llu bytes\n", static_cast<unsigned long long>(lines),
                static_cast<unsigned long long>(bytes));
    return 0;
}
