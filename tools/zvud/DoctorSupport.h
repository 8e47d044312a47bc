// What zvud doctor's checks share: the findings they report, what they learn
// about the installation for the checks that follow, and small readers of the
// registry and the file system that only look.
#pragma once

#include "Json.h"

#include "base/InputRecorder.h"
#include "base/RegistryAccess.h"
#include "config/ProductConfigInit.h"

#include <windows.h>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace zvud::doctor {

enum class Status { Ok, Problem, Info };

// One line of the report. `fix` is empty when there is nothing to do.
struct Finding {
    std::wstring check;
    Status status = Status::Ok;
    std::wstring subject;
    std::wstring detail;
    std::wstring fix;
};

class Report {
public:
    void Ok(const std::wstring& check, const std::wstring& subject, const std::wstring& detail);
    void Problem(const std::wstring& check, const std::wstring& subject, const std::wstring& detail,
                 const std::wstring& fix);
    void Info(const std::wstring& check, const std::wstring& subject, const std::wstring& detail,
              const std::wstring& fix = L"");

    const std::vector<Finding>& Findings() const { return findings_; }
    [[nodiscard]] size_t Count(Status status) const;
    // The one problem about `subject`, in place of what was said about it.
    void Replace(const std::wstring& check, const std::wstring& subject, const std::wstring& detail,
                 const std::wstring& fix);
    [[nodiscard]] bool HasProblem(const std::wstring& subject) const;
    // A problem is about `name`, or names it as its cause.
    [[nodiscard]] bool Mentions(const std::wstring& name) const;

private:
    std::vector<Finding> findings_;
};

// What the checks have learnt so far; empty strings where they learnt nothing.
struct Installation {
    std::wstring rootFolder;  // the library's folder, with a trailing backslash
    std::wstring versionKey;  // ProductVersionKey of identityver.ini
    bool configurable = true;
    std::map<std::wstring, std::vector<std::wstring>> catalogue;  // product -> languages
    std::wstring product;
    std::wstring language;
    std::wstring productRootKey;      // as start-up read it from identity.ini
    std::wstring userRootKey;         // where the per-user values are read
    bool userRootOverridden = false;  // by --user-root
    bool machineRootMissing = false;  // told already: what lies below it is not told again
    // Start-up as the core decides it for the product and language asked
    // for, its effects withheld: its decisions, and the identity it settles
    // on, with which the core's decisions after start-up are asked.
    std::unique_ptr<userdata::CProductConfigInit> startup;
};

// The registry and the identity files through the library's core: its key
// class and opener, its INI reader.
using userdata::ZvRegistryAccess;

// `path` opened with the core's machine-then-user rule, as the library looks
// for product keys; the hive that held it.
std::optional<HKEY> OpenMachineThenUser(ZvRegistryAccess& key, const std::wstring& path, REGSAM access = KEY_READ);
// "HKLM", "HKCU" or "HKCR" followed by a backslash and `path`.
std::wstring KeyName(HKEY hive, const std::wstring& path);
// The reason in words; "<key>\<value>" (or the file, or the folder) it names.
std::wstring Described(const userdata::Reason& reason);
std::wstring Named(const userdata::Reason& reason);
// A value of the "ProductIdentity" section of an INI file, as the library
// reads it; "" when missing.
std::wstring ReadIdentityValue(const std::wstring& file, const wchar_t* key);

bool IsFolder(const std::wstring& path);
bool IsFile(const std::wstring& path);
// Opens the file or folder with `access` and closes it again; for reading and
// writing, what the library's repair takes for "usable". 0 or the error.
DWORD TryOpen(const std::wstring& path, DWORD access = GENERIC_READ | GENERIC_WRITE);
// Whether the user may create files and folders in `folder`: its security
// checked against the user's token (opening the folder says nothing about
// that). 0, ERROR_ACCESS_DENIED, or why it could not be checked.
DWORD MayCreateFilesIn(const std::wstring& folder);
// `path` with its environment references expanded, as a host would use it.
std::wstring Expanded(const std::wstring& path);
std::wstring ErrorText(unsigned long status);

// The catalogue as the library's core reads it: the products and their
// languages, or why the library knows none.
void CheckCatalogue(const userdata::CProductInstalledInfo& catalogue, Installation& installation, Report& report);
// The catalogue lists a product and language whose identity file lies here:
// false when it does not (told as a problem) or lists nothing.
[[nodiscard]] bool CheckVersionListsInstallation(const Installation& installation, Report& report);
// Each language folder with an identity file beside the library is listed in
// the catalogue for its product, and each language listed has one.
void CheckListedLanguages(const Installation& installation, Report& report);
// The last launched product and language that start-up chooses from.
void CheckLastLaunched(const userdata::CProductInstalledInfo& catalogue, const Installation& installation,
                       Report& report);

// No two installed products' per-user root folders are the same folder.
void CheckSharedFolders(const Installation& installation, Report& report);

// The checks after start-up, in the order the library uses what they look at.
void CheckSpecialFolders(const Installation& installation, Report& report);
void CheckHelpFiles(const Installation& installation, Report& report);
void CheckProductList(const Installation& installation, Report& report);
void CheckComServers(Report& report);
void CheckMigration(const Installation& installation, Report& report);

// Every export a host calls, asked through the DLL: one that answers nothing
// is traced to the input whose reading made it fail.
void CheckExports(const Installation& installation, Report& report);
// Every input the library read, judged by the rules of its kind; then the
// inputs that must agree with each other.
void CheckInputs(const Installation& installation, Report& report);
// How a report names an input: a key, "<key>\<value>", "<file> <key>", a
// file, or a variable.
std::wstring InputName(const userdata::RecordedInput& input);
// The first input read for `reader` (SetInputReader) that was missing or not
// taken; null when every one was.
const userdata::RecordedInput* FailedInput(const wchar_t* reader);
// The inputs as a table (where, kind, type, data as stored, as taken), and
// as members of the JSON report.
std::wstring RenderInputs();
void WriteInputs(JsonWriter& json);

}  // namespace zvud::doctor
