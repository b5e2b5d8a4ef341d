// The busy machine's decoys: class instances, root-enumerated media devices, device interfaces,
// PCI and display devices in the current and the first numbered control set, desktop namespace
// entries with their COM classes, and oem*.inf driver packages with their .pnf files. Every
// name depends only on the set and the position, so a set can be removed by rebuilding it.
#include "busy_machine.h"
#include <stdarg.h>
#include <stdio.h>
#include <string.h>

namespace {

const char kBusyMarker[] = "EnvsweepBusy";              // value in every decoy key
const char kBusyContainer[] = "EnvsweepBusyContainer";  // value in every key made on the way

const char* const kControlSets[] = {"System\\CurrentControlSet", "System\\ControlSet001"};
const char* const kDeviceClasses[] = {
    "{4D36E96C-E325-11CE-BFC1-08002BE10318}",  // media
    "{4D36E968-E325-11CE-BFC1-08002BE10318}",  // display
    "{36FC9E60-C465-11CF-8056-444553540000}",  // USB
    "{6bdd1fc6-810f-11d0-bec7-08002be2092f}",  // image
};
const char* const kInterfaceClasses[] = {
    "{65E8773D-8F56-11D0-A3B9-00A0C9223196}", "{6994ad05-93ef-11d0-a3cc-00a0c9223196}",
    "{A799A800-A46D-11D0-A18C-00A02401DCD4}", "{fbf6f530-07b9-11d2-a71e-0000f8004788}",
    "{A799A801-A46D-11D0-A18C-00A02401DCD4}", "{A799A802-A46D-11D0-A18C-00A02401DCD4}",
};

// Per set at divisor 1, per control set where it applies.
const int kClassInstances = 60;    // per device class
const int kRootMediaDevices = 20;
const int kInterfaces = 50;        // per interface class, three keys each
const int kPciDevices = 80;        // three keys each
const int kDisplayMonitors = 30;   // two instances each
const int kNamespaceEntries = 100; // with a COM class and its InprocServer32 each
const int kInfPackages = 400;

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* format, ...)
{
    char text[1024];
    va_list args;
    va_start(args, format);
    vsnprintf(text, sizeof text, format, args);
    va_end(args);
    return text;
}

int Count(int full, int32_t divisor)
{
    const int n = full / (divisor > 0 ? divisor : 1);
    return n > 0 ? n : 1;
}

void Key(BusyMachine* machine, HKEY root, const std::string& path, std::vector<BusyValue> values)
{
    machine->keys.push_back(BusyKey{root, path, values});
}

// Driver instances of other makers; every few a provider, section or service that comes close
// to the maker's rules.
void ClassInstances(BusyMachine* machine, const std::string& set, int32_t number, int32_t divisor)
{
    static const char* const kProviders[] = {"Contoso", "Fabrikam, Inc.", "Northwind Traders", "Microsoft",
                                             "Morvane Labs", "Morvane", "NVIDIA"};
    static const char* const kSections[] = {"ContosoCap.NT", "FabVideo", "NwTuner.NT", "usbvideo.NT",
                                            "VisionForce", "CS100Cap.NT5", "nv_disp.Legacy"};
    for (int c = 0; c < 4; c++) {
        for (int i = 0; i < Count(kClassInstances, divisor); i++) {
            const int p = (i + c) % 7;
            Key(machine, HKEY_LOCAL_MACHINE,
                Format("%s\\Control\\Class\\%s\\%04d", set.c_str(), kDeviceClasses[c], 500 + number * 100 + i),
                {{"ProviderName", kProviders[p]},
                 {"InfSection", kSections[p]},
                 {"InfPath", Format("oem%d.inf", 2000 + number * 1000 + i)},
                 {"DriverDesc", Format("%s Device %d", kProviders[p], i)},
                 {"DriverVersion", "6.1.7600.16385"},
                 {"DriverDate", "6-21-2006"},
                 {"MatchingDeviceId", Format("pci\\ven_%04x&dev_%04x", 0x1100 + c, 0x2000 + i)}});
        }
    }
    for (int i = 0; i < Count(kRootMediaDevices, divisor); i++) {
        const uint8_t closeCall = i % 4 == 3;
        Key(machine, HKEY_LOCAL_MACHINE, Format("%s\\Enum\\Root\\MEDIA\\%04d", set.c_str(), 500 + number * 100 + i),
            {{"Mfg", closeCall ? "Morvane" : "Contoso"},
             {"Service", closeCall ? "MTVVirtCap2" : "ContosoVirt"},
             {"DeviceDesc", Format("Virtual Audio Device %d", i)},
             {"HardwareID", "*CONTOSOVIRT"},
             {"Driver", Format("{4D36E96C-E325-11CE-BFC1-08002BE10318}\\%04d", 500 + number * 100 + i)}});
    }
}

// Interface keys, each with its reference string and "Device Parameters"; some friendly names
// differ from the maker's only by case, a trailing blank or a word more.
void Interfaces(BusyMachine* machine, const std::string& set, int32_t number, int32_t divisor)
{
    static const char* const kFriendly[] = {"Contoso Video Capture", "Fabrikam TV Tuner", "Northwind Crossbar",
                                            "morvane streamcam", "Morvane StreamCam ", "Morvane USB Grabber Pro"};
    for (int c = 0; c < 6; c++) {
        for (int i = 0; i < Count(kInterfaces, divisor); i++) {
            const std::string key =
                Format("%s\\Control\\DeviceClasses\\%s\\##?#PCI#VEN_%04X&DEV_%04X#4&%08x&0&00%02X#%s", set.c_str(),
                       kInterfaceClasses[c], 0x1100 + c, 0x3000 + number * 100 + i, 0x1000 + i, i, kInterfaceClasses[c]);
            Key(machine, HKEY_LOCAL_MACHINE, key,
                {{"DeviceInstance", Format("PCI\\VEN_%04X&DEV_%04X\\4&%08x&0&00%02X", 0x1100 + c, 0x3000 + i, 0x1000 + i, i)}});
            Key(machine, HKEY_LOCAL_MACHINE, key + "\\#GLOBAL", {{"SymbolicLink", "\\\\?\\busy"}});
            Key(machine, HKEY_LOCAL_MACHINE, key + "\\#GLOBAL\\Device Parameters",
                {{"FriendlyName", kFriendly[(i + c) % 6]}, {"CLSID", "{17CCA71B-ECD7-11D0-B908-00A0C9223196}"}});
        }
    }
}

// PCI devices of other vendors, and some of the maker's chips with another subsystem; display
// devices whose instances carry no adapter's prefix.
void Devices(BusyMachine* machine, const std::string& set, int32_t number, int32_t divisor)
{
    for (int i = 0; i < Count(kPciDevices, divisor); i++) {
        std::string name;
        if (i % 10 == 9)
            name = Format("VEN_10DE&DEV_0020&SUBSYS_%04X1E7B&REV_A1", number * 100 + i);
        else if (i % 10 == 8)
            name = Format("VEN_1E7A&DEV_7130&SUBSYS_%04X1E7A&REV_A0", 0x0200 + number * 100 + i);
        else
            name = Format("VEN_%04X&DEV_%04X&SUBSYS_%08X&REV_%02X", 0x8086 + i % 5, 0x2400 + number * 100 + i,
                          0x10000 + i, i % 4);
        const std::string device = Format("%s\\Enum\\PCI\\%s", set.c_str(), name.c_str());
        const std::string instance = device + Format("\\3&%08x&0&%02X", 0x2000 + number, i);
        Key(machine, HKEY_LOCAL_MACHINE, device, {});
        Key(machine, HKEY_LOCAL_MACHINE, instance,
            {{"DeviceDesc", Format("PCI Device %d", i)},
             {"HardwareID", name},
             {"Mfg", "Contoso"},
             {"Service", "busypci"},
             {"Driver", Format("{4D36E97D-E325-11CE-BFC1-08002BE10318}\\%04d", 500 + number * 100 + i)},
             {"ParentIdPrefix", Format("4&%08x&0", 0x3000 + number * 100 + i)}});
        Key(machine, HKEY_LOCAL_MACHINE, instance + "\\Device Parameters", {{"InterruptSupport", "1"}});
    }
    for (int i = 0; i < Count(kDisplayMonitors, divisor); i++) {
        const std::string monitor = Format("%s\\Enum\\DISPLAY\\CTX%04X", set.c_str(), 0x100 + number * 100 + i);
        Key(machine, HKEY_LOCAL_MACHINE, monitor, {});
        for (int j = 0; j < 2; j++) {
            Key(machine, HKEY_LOCAL_MACHINE, monitor + Format("\\5&%08x&0&%04X", 0x4000 + i, j),
                {{"DeviceDesc", "Generic PnP Monitor"},
                 {"HardwareID", Format("MONITOR\\CTX%04X", i)},
                 {"Driver", Format("{4D36E96E-E325-11CE-BFC1-08002BE10318}\\%04d", 500 + number * 100 + i)}});
        }
    }
}

void Namespace(BusyMachine* machine, int32_t number, int32_t divisor)
{
    static const char* const kNames[] = {"Contoso Cloud", "Fabrikam Drive", "Desktop Explorer Plus", "Desktop Explorer "};
    for (int i = 0; i < Count(kNamespaceEntries, divisor); i++) {
        const std::string clsid = Format("{B05B0000-%04X-4000-8000-%012X}", number, i);
        Key(machine, HKEY_LOCAL_MACHINE,
            "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\explorer\\Desktop\\NameSpace\\" + clsid, {{"", kNames[i % 4]}});
        Key(machine, HKEY_CLASSES_ROOT, "CLSID\\" + clsid, {{"", kNames[i % 4]}});
        Key(machine, HKEY_CLASSES_ROOT, "CLSID\\" + clsid + "\\InprocServer32",
            {{"", Format("C:\\Program Files\\Contoso\\shellext%d.dll", i)}, {"ThreadingModel", "Apartment"}});
    }
}

// A driver package of about 10 KB as the INF folder holds it. Kinds 5 to 7 carry the maker's
// class and provider texts or device keys, but never all the entries of one identification row.
std::string InfText(int32_t number, int i)
{
    struct Package {
        const char* cls;
        const char* providerKey;
        const char* provider;
        const char* deviceKey;
        const char* device;
    };
    static const Package kPackages[] = {
        {"Media", "Provider", "Contoso", "ContosoCap.DeviceDesc", "Contoso Video Capture"},
        {"Display", "ProviderName", "Fabrikam", "FabDisp.DeviceDesc", "Fabrikam Display Adapter"},
        {"USB", "MfgName", "Northwind Traders", "NwUsb.DeviceDesc", "Northwind USB Hub"},
        {"Image", "Vendor", "Litware", "DiskName", "Litware Camera Driver Disk"},
        {"Net", "Provider", "Contoso", "ContosoNic.DeviceDesc", "Contoso Gigabit Adapter"},
        {"Media", "Provider", "Morvane", "CS100Cap.DeviceDesc", "Morvane CaptureStation II"},
        {"Display", "MfgName", "Morvane Co., Ltd.", "VFDisp.DeviceDesc", "Morvane VANTIRA VisionForce 2"},
        {"Media", "Provider", "Morvane Labs", "HybCap.DeviceDesc", "Morvane Hybrid Tuner"},
    };
    const Package& p = kPackages[i % 8];
    std::string text = Format("; %s driver package %d-%d\r\n\r\n[Version]\r\nSignature=\"$Windows NT$\"\r\n"
                              "Class=%s\r\nClassGUID={4D36E96C-E325-11CE-BFC1-08002BE10318}\r\nProvider=%%%s%%\r\n"
                              "DriverVer=06/21/2006,6.1.%d.%d\r\nCatalogFile=busy%d.cat\r\n\r\n",
                              p.provider, number, i, p.cls, p.providerKey, 7600 + number, i, i);
    text += Format("[Manufacturer]\r\n%%%s%%=Models,NTx86,NTamd64\r\n\r\n[Models.NTx86]\r\n", p.providerKey);
    for (int m = 0; m < 12; m++)
        text += Format("%%Model%d.DeviceDesc%%=Install%d,PCI\\VEN_%04X&DEV_%04X\r\n", m, m, 0x1100 + i % 50, 0x2000 + m);
    for (int m = 0; m < 12; m++) {
        text += Format("\r\n[Install%d.NT]\r\nInclude=ks.inf,kscaptur.inf\r\nNeeds=KS.Registration\r\n"
                       "CopyFiles=Files.Drivers\r\nAddReg=Install%d.AddReg\r\n\r\n[Install%d.AddReg]\r\n", m, m, m);
        for (int r = 0; r < 6; r++)
            text += Format("HKR,\"Settings\",\"Option%02d\",0x00010001,%d\r\n", r, (m * 7 + r) % 100);
    }
    text += "\r\n[Files.Drivers]\r\n";
    for (int f = 0; f < 20; f++) text += Format("busy%d_%02d.sys\r\n", i, f);
    text += "\r\n[SourceDisksFiles]\r\n";
    for (int f = 0; f < 20; f++) text += Format("busy%d_%02d.sys=1,,\r\n", i, f);
    text += Format("\r\n[Strings]\r\n%s=\"%s\"\r\n%s=\"%s\"\r\n", p.providerKey, p.provider, p.deviceKey, p.device);
    for (int m = 0; m < 12; m++)
        text += Format("Model%d.DeviceDesc=\"%s Model %d\"\r\n", m, p.provider, m);
    return text;
}

void Packages(BusyMachine* machine, int32_t number, int32_t divisor)
{
    char windows[MAX_PATH];
    const UINT length = GetWindowsDirectoryA(windows, sizeof windows);
    if (length == 0 || length >= sizeof windows) return;
    const std::string folder = std::string(windows) + (windows[length - 1] == '\\' ? "" : "\\") + "INF\\";
    for (int i = 0; i < Count(kInfPackages, divisor); i++) {
        const std::string base = folder + Format("oem%d", 2000 + number * 1000 + i);
        machine->files.push_back(BusyFile{base + ".inf", InfText(number, i)});
        machine->files.push_back(BusyFile{base + ".pnf", Format("PNF busy package %d-%d", number, i)});
    }
}

uint8_t DeleteTree(HKEY parent, const char* name)
{
    HKEY key = NULL;
    if (RegOpenKeyExA(parent, name, 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
        char child[256];
        for (;;) {
            DWORD size = sizeof child;
            if (RegEnumKeyExA(key, 0, child, &size, NULL, NULL, NULL, NULL) != ERROR_SUCCESS) break;
            if (!DeleteTree(key, child)) break;
        }
        RegCloseKey(key);
    }
    const LONG rc = RegDeleteKeyA(parent, name);
    return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND ? 1 : 0;
}

uint8_t HasValue(HKEY root, const std::string& path, const char* name, DWORD* subkeys, DWORD* values)
{
    HKEY key = NULL;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return 0;
    const uint8_t has = RegQueryValueExA(key, name, NULL, NULL, NULL, NULL) == ERROR_SUCCESS ? 1 : 0;
    RegQueryInfoKeyA(key, NULL, NULL, NULL, subkeys, NULL, NULL, values, NULL, NULL, NULL, NULL);
    RegCloseKey(key);
    return has;
}

// Creates root\path one level at a time; levels made here carry the container value.
HKEY CreateChain(HKEY root, const std::string& path)
{
    HKEY current = root;
    size_t start = 0;
    for (;;) {
        const size_t slash = path.find('\\', start);
        const std::string part = path.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
        HKEY child = NULL;
        DWORD disposition = 0;
        const LONG rc = RegCreateKeyExA(current, part.c_str(), 0, NULL, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, NULL,
                                        &child, &disposition);
        if (current != root) RegCloseKey(current);
        if (rc != ERROR_SUCCESS) return NULL;
        if (disposition == REG_CREATED_NEW_KEY && slash != std::string::npos)
            RegSetValueExA(child, kBusyContainer, 0, REG_SZ, (const BYTE*)"1", 2);
        current = child;
        if (slash == std::string::npos) return current;
        start = slash + 1;
    }
}

}  // namespace

void BuildBusyMachine(int32_t set, int32_t divisor, BusyMachine* machine)
{
    for (const char* controlSet : kControlSets) {
        ClassInstances(machine, controlSet, set, divisor);
        Interfaces(machine, controlSet, set, divisor);
        Devices(machine, controlSet, set, divisor);
    }
    Namespace(machine, set, divisor);
    Packages(machine, set, divisor);
}

uint8_t AddBusyMachine(const BusyMachine& machine, std::string* log)
{
    uint8_t ok = RemoveBusyMachine(machine, log);
    for (const BusyKey& busyKey : machine.keys) {
        HKEY key = CreateChain(busyKey.root, busyKey.path);
        if (key == NULL) {
            *log += "cannot create " + busyKey.path + "\n";
            ok = 0;
            continue;
        }
        RegSetValueExA(key, kBusyMarker, 0, REG_SZ, (const BYTE*)"1", 2);
        for (const BusyValue& value : busyKey.values) {
            RegSetValueExA(key, value.name.empty() ? NULL : value.name.c_str(), 0, REG_SZ,
                           (const BYTE*)value.data.c_str(), (DWORD)value.data.size() + 1);
        }
        RegCloseKey(key);
    }
    for (const BusyFile& file : machine.files) {
        HANDLE handle = CreateFileA(file.path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
        DWORD written = 0;
        if (handle == INVALID_HANDLE_VALUE ||
            !WriteFile(handle, file.content.data(), (DWORD)file.content.size(), &written, NULL)) {
            *log += "cannot write " + file.path + "\n";
            ok = 0;
        }
        if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
    }
    return ok;
}

uint8_t RemoveBusyMachine(const BusyMachine& machine, std::string* log)
{
    uint8_t ok = 1;
    for (size_t i = machine.files.size(); i-- > 0;) {
        const BusyFile& file = machine.files[i];
        if (GetFileAttributesA(file.path.c_str()) != INVALID_FILE_ATTRIBUTES && !DeleteFileA(file.path.c_str())) {
            *log += "cannot remove " + file.path + "\n";
            ok = 0;
        }
    }
    for (size_t i = machine.keys.size(); i-- > 0;) {
        const BusyKey& busyKey = machine.keys[i];
        DWORD subkeys = 0, values = 0;
        if (!HasValue(busyKey.root, busyKey.path, kBusyMarker, &subkeys, &values)) continue;
        if (!DeleteTree(busyKey.root, busyKey.path.c_str())) {
            *log += "cannot remove " + busyKey.path + "\n";
            ok = 0;
        }
    }
    // The levels made on the way, once nothing but their mark is left in them.
    for (size_t i = machine.keys.size(); i-- > 0;) {
        std::string path = machine.keys[i].path;
        for (size_t slash = path.find_last_of('\\'); slash != std::string::npos; slash = path.find_last_of('\\')) {
            path.resize(slash);
            DWORD subkeys = 0, values = 0;
            if (!HasValue(machine.keys[i].root, path, kBusyContainer, &subkeys, &values) || subkeys != 0 || values != 1)
                break;
            RegDeleteKeyA(machine.keys[i].root, path.c_str());
        }
    }
    return ok;
}
