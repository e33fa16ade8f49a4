#pragma once

// A synthetic setupapi.dev.log (Windows Vista to 11) with the shapes real logs show: the
// header block, boot sessions between sections, sections of a title, a start line, body
// lines with their five-character prefix, category, indentation, block markers and time
// of day, an end line and an exit line, each followed by two empty lines. Most sections
// are short driver-store chores; now and then a driver refresh runs to hundreds of lines.

#include "LogGenerator.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace tillery::bench {

class VistaLogWriter : public LineOutput {
public:
    VistaLogWriter(std::FILE* file, std::uint64_t seed) : LineOutput(file), m_random(seed) {}

    void header()
    {
        line("[Device Install Log]");
        line("     OS Version = 10.0.19045");
        line("     Service Pack = 0.0");
        line("     Suite = 0x0100");
        line("     ProductType = 1");
        line("     Architecture = amd64");
        line("");
        line("[BeginLog]");
        line("");
        bootSession();
    }

    // One section, its kind drawn with the weights of a busy Windows 10 machine's log.
    void event()
    {
        if (m_random.below(40) == 0) {
            bootSession();
        }
        const unsigned roll = m_random.below(100);
        if (roll < 40) {
            driverStoreChore();
        } else if (roll < 55) {
            usbDisk();
        } else if (roll < 65) {
            wpdNode();
        } else if (roll < 75) {
            volume();
        } else if (roll < 85) {
            importDriverPackage();
        } else if (roll < 93) {
            deleteDevice();
        } else {
            driverRefresh();
        }
    }

private:
    // "yyyy/mm/dd hh:mm:ss" of the clock, which moves on a little per call.
    std::string stamp(bool withDate)
    {
        m_millis += 1 + m_random.below(900);
        const std::uint64_t seconds = m_millis / 1000;
        const std::uint64_t day = seconds / 86400;
        char text[48];
        if (withDate) {
            std::snprintf(text, sizeof text, "%04u/%02u/%02u %02u:%02u:%02u.%03u",
                          2016 + static_cast<unsigned>(day / 336),
                          1 + static_cast<unsigned>((day / 28) % 12), 1 + static_cast<unsigned>(day % 28),
                          static_cast<unsigned>((seconds / 3600) % 24),
                          static_cast<unsigned>((seconds / 60) % 60), static_cast<unsigned>(seconds % 60),
                          static_cast<unsigned>(m_millis % 1000));
        } else {
            std::snprintf(text, sizeof text, "%02u:%02u:%02u.%03u",
                          static_cast<unsigned>((seconds / 3600) % 24),
                          static_cast<unsigned>((seconds / 60) % 60), static_cast<unsigned>(seconds % 60),
                          static_cast<unsigned>(m_millis % 1000));
        }
        return text;
    }

    void bootSession()
    {
        m_millis += 3600 * 1000;
        line("[Boot Session: " + stamp(true) + "]");
        line("");
    }

    void open(std::string_view title)
    {
        line(">>>  [" + std::string(title) + "]");
        line(">>>  Section start " + stamp(true));
    }

    void close()
    {
        line("<<<  Section end " + stamp(true));
        line(m_random.below(50) == 0 ? "<<<  [Exit status: SUCCESS (REBOOT_REQUIRED)]"
                                     : "<<<  [Exit status: SUCCESS]");
        line("");
        line("");
    }

    // A body line: prefix, category, indentation in steps of five blanks, message.
    void body(std::string_view category, int indent, std::string_view message, bool timed = false)
    {
        std::string text = m_random.below(60) == 0 ? "!    " : "     ";
        text.append(category).append(": ").append(static_cast<std::size_t>(indent) * 5, ' ');
        text.append(message);
        if (timed) {
            text.append(" ").append(stamp(false));
        }
        line(text);
    }

    std::string guid()
    {
        return "{" + lower(m_random.hex(8)) + "-" + lower(m_random.hex(4)) + "-" + lower(m_random.hex(4)) +
               "-" + lower(m_random.hex(4)) + "-" + lower(m_random.hex(12)) + "}";
    }

    std::string driverStoreInf(std::string_view name)
    {
        return "C:\\Windows\\System32\\DriverStore\\FileRepository\\" + std::string(name) + "_amd64_" +
               lower(m_random.hex(16)) + "\\" + std::string(name);
    }

    void buildDriverList(std::string_view hardwareId, std::string_view inf, std::string_view description)
    {
        body("dvi", 0, "{Build Driver List}", true);
        body("dvi", 1, "Searching for hardware ID(s):");
        body("dvi", 2, lower(std::string(hardwareId)));
        body("dvi", 1, "Created Driver Node:");
        body("dvi", 2, "HardwareID   - " + std::string(hardwareId));
        body("dvi", 2, "InfName      - " + driverStoreInf(inf));
        body("dvi", 2, "DevDesc      - " + std::string(description));
        body("dvi", 2, "Rank         - 0x00ff0000");
        body("dvi", 0, "{Build Driver List - exit(0x00000000)}", true);
    }

    void selectAndInstall(std::string_view device, std::string_view inf, std::string_view description,
                          std::string_view classGuid)
    {
        body("dvi", 1, "{Select Best Driver}");
        body("dvi", 2, "Class GUID of device changed to: " + std::string(classGuid) + ".");
        body("dvi", 2, "Selected Driver:");
        body("dvi", 3, "Description - [" + std::string(description) + "]");
        body("dvi", 3, "InfFile     - [" + lower(driverStoreInf(inf)) + "]");
        body("dvi", 1, "{Select Best Driver - exit(0x00000000)}");
        body("ndv", 1, "{Installing device - " + upper(std::string(device)) + "}", true);
        for (int i = 0; i < 4; ++i) {
            body("dvi", 2, "Device information structure was modified.");
        }
        body("ndv", 1, "{Installing device - exit(0x00000000)}", true);
    }

    void usbDisk()
    {
        const std::string device = "USBSTOR\\Disk&Ven_" + std::string(m_random.pick(kVendors)) +
                                   "&Prod_Flash_Disk&Rev_" + m_random.hex(4) + "\\" + m_random.hex(8) + "&0";
        open("Device Install (Hardware initiated) - " + device);
        body("ump", 0, "Creating Install Process: DrvInst.exe", true);
        buildDriverList("GenDisk", "disk.inf", "Disk drive");
        selectAndInstall(device, "disk.inf", "Disk drive", "{4d36e967-e325-11ce-bfc1-08002be10318}");
        close();
    }

    void wpdNode()
    {
        const std::string disk = "USBSTOR#Disk&Ven_" + std::string(m_random.pick(kVendors)) +
                                 "&Prod_Flash_Disk&Rev_8.07#" + m_random.hex(8) + "&0";
        const std::string device =
            "SWD\\WPDBUSENUM\\_??_" + disk + "#{53f56307-b6bf-11d0-94f2-00a0c91efb8b}";
        open("Device Install (Hardware initiated) - " + device);
        buildDriverList("wpdbusenum\\fs", "wpdfs.inf", "WPD FileSystem Volume Driver");
        selectAndInstall(device, "wpdfs.inf", "WPD FileSystem Volume Driver",
                         "{eec5ad98-8080-425f-922a-dabf3de3f69a}");
        close();
    }

    void volume()
    {
        const std::string device = "STORAGE\\Volume\\" + guid() + "#" + m_random.hex(16);
        open("Device Install (Hardware initiated) - " + device);
        buildDriverList("STORAGE\\Volume", "volume.inf", "Volume");
        selectAndInstall(device, "volume.inf", "Volume", "{71a27cdd-812a-11d0-bec7-08002be2092f}");
        close();
    }

    void driverStoreChore()
    {
        open(m_random.below(2) == 0 ? "Uninstall Driver Updates" : "Unstage Driver Updates");
        const unsigned count = m_random.below(3);
        for (unsigned i = 0; i < count; ++i) {
            body("sto", 0, "{Unstage Driver Package: " + driverStoreInf("oem.inf") + "}", true);
            body("sto", 0, "{Unstage Driver Package: exit(0x00000000)}", true);
        }
        close();
    }

    void importDriverPackage()
    {
        const std::string inf = "C:\\Program Files\\Vendor Tools\\drv" + m_random.hex(3) + ".inf";
        open("Setup Import Driver Package - " + inf);
        line("      cmd: \"C:\\Program Files\\Vendor Tools\\installer.exe\" driver install");
        body("sto", 0, "{Stage Driver Package: " + inf + "}", true);
        body("inf", 1, "{Query Configurability: " + inf + "}", true);
        body("inf", 2, "Class GUID     = {4d36e97d-e325-11ce-bfc1-08002be10318}");
        body("inf", 1, "{Query Configurability: exit(0x00000000)}", true);
        body("flq", 1, "Copying 'C:\\Users\\X\\AppData\\Local\\Temp\\" + guid() + "\\drv.sys'");
        body("sig", 1, "{_VERIFY_FILE_SIGNATURE}", true);
        body("sig", 2, "Key      = drv.inf");
        body("sig", 1, "{_VERIFY_FILE_SIGNATURE exit(0x00000000)}", true);
        body("sto", 0, "{Stage Driver Package: exit(0x00000000)}", true);
        close();
    }

    void deleteDevice()
    {
        const std::string device = "SWD\\MMDEVAPI\\{0.0.1.00000000}." + guid();
        open("Delete Device - " + device);
        body("set", 0, "Device " + device + " will be removed.");
        body("set", 0, "Device " + device + " was removed.");
        close();
    }

    // "Install Driver Updates": every device of every refreshed INF, hundreds of lines.
    void driverRefresh()
    {
        open("Install Driver Updates");
        line("      cmd: C:\\Windows\\winsxs\\amd64_servicingstack\\TiWorker.exe -Embedding");
        const unsigned infs = 5 + m_random.below(30);
        for (unsigned i = 0; i < infs; ++i) {
            body("sto", 0, "{Update Device Drivers: disk.inf}", true);
            body("sto", 1, "Devices using 'disk.inf':");
            const std::string disk = "SCSI\\Disk&Ven_VBOX&Prod_HARDDISK\\4&" + lower(m_random.hex(8)) + "&0&000000";
            body("sto", 2, disk + " -> GenDisk [disk_install.NT]");
            body("sto", 1, "{Update Device: " + disk + "}", true);
            for (int j = 0; j < 6; ++j) {
                body("inf", 2, "{Configure Driver: Disk drive}");
                body("inf", 3, "Section name = disk_install.NT");
                body("inf", 3, "Hardware Id  = GenDisk");
                body("inf", 2, "{Configure Driver: exit(0x00000000)}");
            }
            body("sto", 1, "{Update Device: exit(0x00000000)}", true);
            body("sto", 0, "{Update Device Drivers: exit(0x00000000)}", true);
        }
        close();
    }

    static std::string lower(std::string text)
    {
        for (char& c : text) {
            c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        }
        return text;
    }
    static std::string upper(std::string text)
    {
        for (char& c : text) {
            c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
        }
        return text;
    }

    static constexpr std::array<std::string_view, 5> kVendors = {"Generic", "SanDisk", "Kingston",
                                                                 "Verbatim", "Intenso"};

    Random m_random;
    std::uint64_t m_millis = 8ULL * 3600 * 1000;
};

}  // namespace tillery::bench
