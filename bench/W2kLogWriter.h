#pragma once

// A synthetic Windows 2000 setupapi.log: sections opened by "[date time pid.n]" (now and
// then with a description), their entry lines unmarked phrases, as Windows 2000 wrote
// them: device driver installs of PCI, USB and storage devices, device class installs
// and the setup program's command line.

#include "LogGenerator.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace tillery::bench {

class W2kLogWriter : public LineOutput {
public:
    W2kLogWriter(std::FILE* file, std::uint64_t seed) : LineOutput(file), m_random(seed) {}

    // A Windows 2000 log has no header block: it begins with its first section.
    void header() { setupCommandLine(); }

    // One section, its kind drawn with the weights of a fresh installation's log.
    void event()
    {
        const unsigned roll = m_random.below(100);
        if (roll < 60) {
            deviceInstall();
        } else if (roll < 70) {
            nullDriverInstall();
        } else if (roll < 90) {
            classInstall();
        } else {
            setupCommandLine();
        }
    }

private:
    struct Device {
        std::string_view hardwareId;   // upper case, as in the instance ID
        std::string_view compatible;   // what the INF matched
        std::string_view inf;
        std::string_view description;
        std::string_view section;
        std::string_view classGuid;
    };
    static constexpr std::array<Device, 5> kDevices = {{
        {"PCI\\VEN_15AD&DEV_0770&SUBSYS_077015AD&REV_00", "PCI\\CC_0C0320", "usb.inf",
         "Standard Enhanced PCI to USB Host Controller", "EHCI", "36FC9E60-C465-11CF-8056-444553540000"},
        {"PCI\\VEN_15AD&DEV_0790&SUBSYS_00000000&REV_02", "PCI\\CC_0604", "machine.inf",
         "PCI standard PCI-to-PCI bridge", "PCI_DRV", "4D36E97D-E325-11CE-BFC1-08002BE10318"},
        {"PCI\\VEN_8086&DEV_7111&SUBSYS_197615AD&REV_01", "PCI\\CC_0101", "mshdc.inf",
         "Intel(r) 82371AB/EB PCI Bus Master IDE Controller", "intelide_Inst",
         "4D36E96A-E325-11CE-BFC1-08002BE10318"},
        {"USB\\VID_0781&PID_5151&REV_0010", "USB\\CLASS_08", "usbstor.inf",
         "USB Mass Storage Device", "USBSTOR_BULK", "36FC9E60-C465-11CF-8056-444553540000"},
        {"PCI\\VEN_1022&DEV_2000&SUBSYS_20001022&REV_10", "PCI\\VEN_1022&DEV_2000", "netpcnt.inf",
         "AMD PCNET Family PCI Ethernet Adapter", "PCnet.ndi", "4D36E972-E325-11CE-BFC1-08002BE10318"},
    }};
    static constexpr std::array<std::string_view, 6> kDeviceClasses = {
        "{6BDD1FC1-810F-11D0-BEC7-08002BE2092F} 1394.",
        "{4D36E965-E325-11CE-BFC1-08002BE10318} CDROM.",
        "{4D36E967-E325-11CE-BFC1-08002BE10318} DiskDrive.",
        "{4D36E980-E325-11CE-BFC1-08002BE10318} FloppyDisk.",
        "{4D36E972-E325-11CE-BFC1-08002BE10318} Net.",
        "{36FC9E60-C465-11CF-8056-444553540000} USB.",
    };

    void sectionHeader(std::string_view description)
    {
        m_seconds += 1 + m_random.below(20);
        const std::uint64_t day = m_seconds / 86400;
        char stamp[64];
        std::snprintf(stamp, sizeof stamp, "[2001/%02u/%02u %02u:%02u:%02u %u.%u",
                      static_cast<unsigned>(1 + (day / 28) % 12), static_cast<unsigned>(1 + day % 28),
                      static_cast<unsigned>((m_seconds / 3600) % 24),
                      static_cast<unsigned>((m_seconds / 60) % 60),
                      static_cast<unsigned>(m_seconds % 60), m_process, m_thread++);
        std::string text(stamp);
        if (!description.empty()) {
            text.append(" ").append(description);
        }
        line(text + "]");
    }

    static std::string lower(std::string_view text)
    {
        std::string out(text);
        for (char& c : out) {
            c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        }
        return out;
    }

    void deviceInstall()
    {
        const Device& d = m_random.pick(kDevices);
        const std::string id(d.hardwareId);
        const std::string instance = id + "\\4&" + m_random.hex(7) + "&0&" + m_random.hex(4);
        const std::string inf(d.inf);
        const std::string section(d.section);
        sectionHeader("Driver Install");
        line("Searching for hardware ID(s): " + lower(id) + "," + lower(id.substr(0, 21)));
        line("Searching for compatible ID(s): " + lower(d.compatible));
        line("Enumerating files C:\\WINNT\\inf\\*.inf");
        line("Found " + std::string(d.compatible) + " in C:\\WINNT\\inf\\" + inf + "; Device: " +
             std::string(d.description) + "; Driver: " + std::string(d.description) +
             "; Provider: Microsoft; Mfg: (Standard system devices); Section name: " + section + ".");
        line("Decorated section name: " + section + ".NT");
        line("Device install function: DIF_SELECTBESTCOMPATDRV.");
        line("Selected driver installs from section " + section + " in c:\\winnt\\inf\\" + inf + ".");
        line("Changed class GUID of device to {" + std::string(d.classGuid) + "}.");
        line("Set selected driver.");
        line("Selected best compatible driver.");
        line("Doing copy-only install of " + instance + ".");
        line("Device install function: DIF_REGISTER_COINSTALLERS.");
        line("Co-Installers Registered.");
        line("Device install function: DIF_INSTALLINTERFACES.");
        line("Installing section " + section + ".NT.Interfaces from c:\\winnt\\inf\\" + inf + ".");
        line("Interfaces installed.");
        line("Device install function: DIF_INSTALLDEVICE.");
        line("Doing full install of " + instance + ".");
        if (m_random.below(8) == 0) {
            line("Query-removal during install of " + instance +
                 " was vetoed by " + instance.substr(0, 20) + " (veto type 6: PNP_VetoDevice).");
            line("Device required reboot: Query remove failed (install) CfgMgr32 returned: 0x17: "
                 "CR_REMOVE_VETOED.");
        }
        line("Device install finished successfully (" + instance + ").");
    }

    void nullDriverInstall()
    {
        const Device& d = m_random.pick(kDevices);
        const std::string instance =
            std::string(d.hardwareId) + "\\3&" + m_random.hex(7) + "&0&" + m_random.hex(2);
        sectionHeader("Driver Install");
        line("Searching for hardware ID(s): " + lower(d.hardwareId));
        line("Enumerating files C:\\WINNT\\inf\\*.inf");
        line("Device install function: DIF_SELECTBESTCOMPATDRV.");
        line("Selecting best compatible driver caused an error: No driver found.");
        line("Installing NULL driver for " + instance + ".");
        line("Completed default installer, error: Error 0xe0000203: No driver found.");
    }

    void classInstall()
    {
        sectionHeader({});
        line("Installing Device Class: " + std::string(m_random.pick(kDeviceClasses)));
        line("Class install completed with no errors.");
    }

    void setupCommandLine()
    {
        m_process = 100 + m_random.below(900);
        m_thread = 1;
        sectionHeader({});
        line("Munged cmdline: setup -newsetup");
        line("EXE name: C:\\WINNT\\system32\\setup.exe");
    }

    Random m_random;
    std::uint64_t m_seconds = 22 * 3600;
    unsigned m_process = 180;
    unsigned m_thread = 1;
};

}  // namespace tillery::bench
