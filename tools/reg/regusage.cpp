#include "regusage.h"

namespace tav::regtool {

namespace {

const char kKeyName[] =
    "  KeyName    ROOTKEY\\SubKey\n"
    "             ROOTKEY is HKLM, HKCU, HKCR, HKU or HKCC (or its full name,\n"
    "             such as HKEY_CURRENT_USER); SubKey is the path of a key below it.\n";

const char kTool[] =
    "REG Operation [Parameter List]\n"
    "\n"
    "  Operation  [ QUERY | ADD | DELETE | EXPORT | IMPORT ]\n"
    "\n"
    "Reads and changes the registry store of the current user: one file,\n"
    "$TAV_REGISTRY_DIR/registry.db when TAV_REGISTRY_DIR is set, otherwise\n"
    "registry.db in tavrion/registry/ under the user's data folder\n"
    "($XDG_DATA_HOME, or ~/.local/share).\n"
    "\n"
    "Return code: 0 - Successful\n"
    "             1 - Failed\n"
    "\n"
    "For help on a specific operation type:\n"
    "\n"
    "  REG Operation /?\n"
    "\n"
    "Examples:\n"
    "\n"
    "  REG QUERY /?\n"
    "  REG ADD /?\n"
    "  REG DELETE /?\n"
    "  REG EXPORT /?\n"
    "  REG IMPORT /?\n";

const char kQuery[] =
    "REG QUERY KeyName [/v ValueName | /ve] [/s]\n"
    "\n"
    "%KEYNAME%"
    "\n"
    "  /v         Queries the value ValueName of the key.\n"
    "  /ve        Queries the default value (the unnamed value) of the key.\n"
    "  /s         Queries all subkeys and values below the key, recursively.\n"
    "\n"
    "Without /v or /ve, the key's values and the names of its subkeys are listed.\n"
    "\n"
    "Examples:\n"
    "\n"
    "  REG QUERY \"HKCU\\Software\\Tavrion\\Tavrion_v3\" /v PATH_DB_EQUIP\n"
    "    Shows the folder of the equipment database that datacheck reads.\n";

const char kAdd[] =
    "REG ADD KeyName [/v ValueName | /ve] [/t Type] [/s Separator] [/d Data] [/f]\n"
    "\n"
    "%KEYNAME%"
    "\n"
    "  /v         The name of the value to add under the key.\n"
    "  /ve        Adds the default value (the unnamed value) of the key.\n"
    "  /t         The type: REG_SZ (the default), REG_EXPAND_SZ, REG_MULTI_SZ,\n"
    "             REG_BINARY, REG_DWORD, REG_DWORD_BIG_ENDIAN, REG_QWORD, REG_NONE.\n"
    "  /s         The separator of the items of a REG_MULTI_SZ value (default \\0).\n"
    "  /d         The data: text, a number for REG_DWORD and REG_QWORD, hexadecimal\n"
    "             digits for REG_BINARY.\n"
    "  /f         Overwrites an existing value without asking.\n"
    "\n"
    "Without /v or /ve only the key is created.\n"
    "\n"
    "Examples:\n"
    "\n"
    "  REG ADD \"HKCU\\Software\\Tavrion\\Tavrion_v3\" /v PATH_DB_EQUIP /t REG_SZ /d /usr/lib/tavrion-checks /f\n"
    "    Points datacheck at the demo database installed beside the programs.\n";

const char kDelete[] =
    "REG DELETE KeyName [/v ValueName | /ve | /va] [/f]\n"
    "\n"
    "%KEYNAME%"
    "\n"
    "  /v         Deletes the value ValueName of the key.\n"
    "  /ve        Deletes the default value (the unnamed value) of the key.\n"
    "  /va        Deletes every value of the key.\n"
    "  /f         Deletes without asking.\n"
    "\n"
    "Without /v, /ve or /va the key is deleted with all its subkeys and values.\n"
    "\n"
    "Examples:\n"
    "\n"
    "  REG DELETE \"HKCU\\Software\\Tavrion\\Tavrion_v3\" /f\n"
    "    Deletes the suite's key and everything below it.\n";

const char kExport[] =
    "REG EXPORT KeyName FileName [/y]\n"
    "\n"
    "%KEYNAME%"
    "  FileName   The .reg file to write the key, its subkeys and values to.\n"
    "\n"
    "  /y         Overwrites an existing file without asking.\n"
    "\n"
    "Examples:\n"
    "\n"
    "  REG EXPORT \"HKCU\\Software\\Tavrion\" tavrion.reg\n"
    "    Writes the product's keys to tavrion.reg.\n";

const char kImport[] =
    "REG IMPORT FileName\n"
    "\n"
    "  FileName   The .reg file to read keys and values from. A file with a fault\n"
    "             is refused whole, naming the line, and changes nothing.\n"
    "\n"
    "Examples:\n"
    "\n"
    "  REG IMPORT tavrion.reg\n"
    "    Restores the keys written by REG EXPORT.\n";

} // namespace

QString usageText(const QString& operation) {
    const QString op = operation.toUpper();
    const char* text = op == QLatin1String("QUERY")    ? kQuery
                       : op == QLatin1String("ADD")    ? kAdd
                       : op == QLatin1String("DELETE") ? kDelete
                       : op == QLatin1String("EXPORT") ? kExport
                       : op == QLatin1String("IMPORT") ? kImport
                                                       : kTool;
    return QString::fromLatin1(text).replace(QStringLiteral("%KEYNAME%"), QLatin1String(kKeyName));
}

} // namespace tav::regtool
