// zvud doctor on the catalogue of installed products, its entries against the
// language folders beside the library, and the last launched product and
// language, as the library's core read them before start-up writes its
// choice back.
#include "DoctorSupport.h"

#include "CoreText.h"
#include "Output.h"

#include "config/ProductInstalledInfo.h"
#include "config/StartupDecisions.h"

#include <algorithm>
#include <cwctype>

namespace zvud::doctor {
namespace {

std::wstring LanguageList(const std::vector<std::wstring>& languages)
{
    std::wstring list;
    for (const std::wstring& language : languages) {
        list += (list.empty() ? L"" : L", ") + language;
    }
    return list;
}

std::wstring ProductList(const Installation& installation)
{
    std::wstring list;
    for (const auto& [product, languages] : installation.catalogue) {
        list += (list.empty() ? L"" : L", ") + product;
    }
    return list;
}

// What start-up settles on instead, as the core decides it.
std::wstring Taken(const userdata::Decision& decision)
{
    if (decision.reason.Failed()) {
        return L"fails: " + Text(userdata::DescribeReason(decision.reason));
    }
    return L"takes " + Text(decision.value) + L" (" + Text(userdata::DescribeReason(decision.reason)) + L")";
}

// A value that start-up ignores as it stands: not a string, or too long.
bool Unusable(const userdata::Reason& reason)
{
    using Kind = userdata::Reason::Kind;
    return reason.kind == Kind::WrongType || reason.kind == Kind::TooLong;
}

// A folder as Windows compares folders: expanded, in lower case, without a
// trailing backslash.
std::wstring ComparedFolder(const std::wstring& folder)
{
    std::wstring compared = Expanded(folder);
    std::transform(compared.begin(), compared.end(), compared.begin(), towlower);
    while (compared.size() > 3 && compared.back() == L'\\') {
        compared.pop_back();
    }
    return compared;
}

// Where start-up looks for the identity file of `product` in `language`.
std::wstring IdentityFileOf(const Installation& installation, const std::wstring& product, const std::wstring& language)
{
    return Text(userdata::IdentityFilePath(Core(installation.rootFolder), installation.configurable, Core(product),
                                           Core(language)));
}

// The per-user key of `product`, as the identity file of its first language names it.
std::wstring UserKeyOf(const Installation& installation, const std::wstring& product,
                       const std::vector<std::wstring>& languages)
{
    if (languages.empty()) {
        return L"";
    }
    return ReadIdentityValue(IdentityFileOf(installation, product, languages.front()), L"ProductRegistryRootKey");
}

// The catalogue's key of `product`, which holds a value named after each of its languages.
std::wstring ProductKeyName(const Installation& installation, const std::wstring& product)
{
    return KeyName(HKEY_LOCAL_MACHINE, installation.versionKey + L"\\InstalledProducts\\" + product);
}

// The languages of `product` installed beside the library: the folders where
// start-up looks for its identity file that hold one.
std::vector<std::wstring> InstalledLanguages(const Installation& installation, const std::wstring& product)
{
    std::wstring folders = IdentityFileOf(installation, product, L"*");
    folders.resize(folders.rfind(L'\\'));
    std::vector<std::wstring> languages;
    WIN32_FIND_DATAW found = {};
    const userdata::ZvUniqueFind search(FindFirstFileW(folders.c_str(), &found));
    for (bool more = search.IsValid(); more; more = FindNextFileW(search.Get(), &found)) {
        const std::wstring name = found.cFileName;
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 && name != L"." && name != L".." &&
            IsFile(IdentityFileOf(installation, product, name))) {
            languages.push_back(name);
        }
    }
    return languages;
}

// Each language of `product` installed beside the library is listed, and
// each language listed is installed; the entries named as the inventory
// names them.
void CheckEntriesOf(const Installation& installation, const std::wstring& product,
                    const std::vector<std::wstring>& listed, Report& report)
{
    const std::wstring key = ProductKeyName(installation, product);
    for (const std::wstring& language : InstalledLanguages(installation, product)) {
        if (std::none_of(listed.begin(), listed.end(),
                         [&language](const std::wstring& entry) { return EqualIgnoringCase(entry, language); })) {
            report.Problem(L"listed-language", key + L"\\" + language,
                           L"is not listed, though " + IdentityFileOf(installation, product, language) +
                               L" is installed: start-up never chooses " + language + L" for " + product,
                           L"add a value named " + language + L" (its data unused) to " + key);
        }
    }
    for (const std::wstring& language : listed) {
        if (const std::wstring file = IdentityFileOf(installation, product, language); !IsFile(file)) {
            report.Problem(L"listed-language", key + L"\\" + language,
                           L"is listed, but " + file + L" does not exist: start-up stops when it chooses " + language +
                               L" for " + product + L" (asked for, launched last, or listed first)",
                           L"restore " + file + L" (reinstall that language of the product), or delete the value " +
                               language + L" of " + key);
        }
    }
}

// The languages the catalogue `subject` lists for `product`, into `taken`:
// false when one has no name or none is listed, which start-up cannot use.
bool TakeLanguages(const std::wstring& subject, const std::wstring& product,
                   const std::vector<userdata::ZvString>& listed, std::vector<std::wstring>& taken, Report& report)
{
    bool usable = true;
    for (const userdata::ZvString& language : listed) {
        if (language.empty()) {
            report.Problem(L"catalogue", subject + L"\\" + product + L"\\(default)",
                           L"a default value is listed as a language without a name: start-up may choose it "
                           L"and then fails",
                           L"delete the default value of " + subject + L"\\" + product);
            usable = false;
            continue;
        }
        taken.push_back(Text(language));
    }
    if (taken.empty()) {
        report.Problem(L"catalogue", subject + L"\\" + product,
                       L"lists no language: start-up cannot choose one for " + product,
                       L"add a value named after each installed language (reinstall the product)");
        return false;
    }
    return usable;
}

}  // namespace

void CheckSharedFolders(const Installation& installation, Report& report)
{
    std::vector<std::pair<std::wstring, std::wstring>> named;  // folder as compared, the value that names it
    for (const auto& [product, languages] : installation.catalogue) {
        const std::wstring userKey = UserKeyOf(installation, product, languages);
        ZvRegistryAccess key;
        if (userKey.empty() || key.OpenExact(HKEY_CURRENT_USER, userKey.c_str(), KEY_READ) != ERROR_SUCCESS) {
            continue;
        }
        for (const wchar_t* value : {L"RoamableRootFolder", L"LocalRootFolder"}) {
            userdata::ZvString folder;
            if (key.ReadString(value, folder) != ERROR_SUCCESS || folder.empty()) {
                continue;
            }
            const std::wstring name = KeyName(HKEY_CURRENT_USER, userKey + L"\\" + value);
            const auto other = std::find_if(named.begin(), named.end(), [&folder](const auto& entry) {
                return entry.first == ComparedFolder(Text(folder));
            });
            if (other != named.end()) {
                report.Problem(L"folder-path", name,
                               L"names " + Text(folder) + L", which " + other->second +
                                   L" names too: two products' per-user data would mix",
                               L"give each product a folder of its own");
            }
            named.emplace_back(ComparedFolder(Text(folder)), name);
        }
    }
}

// The catalogue as the library's core reads it: the products and their
// languages, or why the library knows none.
void CheckCatalogue(const userdata::CProductInstalledInfo& catalogue, Installation& installation, Report& report)
{
    const std::wstring path = installation.versionKey + L"\\InstalledProducts";
    const std::wstring subject = KeyName(HKEY_LOCAL_MACHINE, path);
    const userdata::Reason& failure = catalogue.GetLoadFailure();
    if (failure.kind != userdata::Reason::Kind::NotDecided) {
        report.Problem(L"catalogue", subject,
                       Text(userdata::DescribeReason(failure)) + L": the library knows no products",
                       L"reinstall the products: their packages list themselves there");
        return;
    }
    if (catalogue.GetInstalledProducts().empty()) {
        report.Problem(L"catalogue", subject, L"lists no products",
                       L"reinstall the products: their packages list themselves there");
        return;
    }
    std::wstring listed;
    bool complete = true;
    for (const auto& [name, languages] : catalogue.GetInstalledProducts()) {
        const std::wstring product = Text(name);
        complete = TakeLanguages(subject, product, languages, installation.catalogue[product], report) && complete;
        listed +=
            (listed.empty() ? L"" : L"; ") + product + L" (" + LanguageList(installation.catalogue[product]) + L")";
    }
    if (complete) {
        report.Ok(L"catalogue", subject, L"lists " + listed);
    }
}

// The version file names the version whose catalogue lists this
// installation: at least one product and language listed there has its
// identity file beside the library. Otherwise the file names another suite's
// version, and start-up chooses among products that are not here.
bool CheckVersionListsInstallation(const Installation& installation, Report& report)
{
    std::wstring listed;
    for (const auto& [product, languages] : installation.catalogue) {
        for (const std::wstring& language : languages) {
            if (IsFile(IdentityFileOf(installation, product, language))) {
                return true;
            }
            listed += (listed.empty() ? L"" : L", ") + product + L" in " + language;
        }
    }
    if (listed.empty()) {
        return false;  // the catalogue's problem is told already
    }
    report.Problem(L"version-file", installation.rootFolder + L"identityver.ini ProductVersionKey",
                   L"names " + installation.versionKey + L", whose catalogue lists only what is not installed here (" +
                       listed + L": no identity file beside the library)",
                   L"set it to the version key of this installation's suite (reinstall the suite)");
    return false;
}

void CheckListedLanguages(const Installation& installation, Report& report)
{
    for (const auto& [product, languages] : installation.catalogue) {
        CheckEntriesOf(installation, product, languages, report);
    }
}

// The values start-up chooses from, as the core read them before start-up
// writes its choice back: a value that is not a string, or too long, counts as
// none, as it does for start-up.
void CheckLastLaunched(const userdata::CProductInstalledInfo& catalogue, const Installation& installation,
                       Report& report)
{
    const userdata::StartupDecisions& decisions = installation.startup->GetDecisions();
    using Kind = userdata::Reason::Kind;
    const userdata::Reason& productReason = catalogue.GetLastLaunchedProductReason();
    if (productReason.kind == Kind::NotDecided) {
        return;  // the catalogue's problem is told already
    }
    const std::wstring subject = KeyName(HKEY_CURRENT_USER, installation.versionKey) + L"\\";
    if (productReason.kind == Kind::Absent && productReason.item.empty()) {
        report.Info(L"last-launched", KeyName(HKEY_CURRENT_USER, installation.versionKey),
                    L"missing: nothing is remembered, and start-up cannot remember its choice");
        return;
    }
    if (Unusable(productReason)) {
        report.Problem(
            L"last-launched", subject + L"LastLaunchedProduct",
            Text(userdata::DescribeReason(productReason)) + L": start-up ignores it and " + Taken(decisions.product),
            L"set it as REG_SZ to an installed product (" + ProductList(installation) + L"), or delete the value");
        return;
    }
    const std::wstring product = Text(catalogue.GetLastLaunchedProduct());
    const std::wstring language = Text(catalogue.GetLastLaunchedLanguage());
    const auto listed = installation.catalogue.find(product);
    if (product.empty()) {
        report.Ok(L"last-launched", subject + L"LastLaunchedProduct", L"none yet: start-up takes the first product");
    } else if (listed == installation.catalogue.end()) {
        report.Problem(L"last-launched", subject + L"LastLaunchedProduct",
                       product + L" is not installed: start-up takes another product",
                       L"start an installed product, or delete the value");
    } else if (std::find(listed->second.begin(), listed->second.end(), language) == listed->second.end()) {
        const userdata::Reason& languageReason = catalogue.GetLastLaunchedLanguageReason();
        report.Problem(L"last-launched", subject + L"LastLaunchedLanguage",
                       (Unusable(languageReason) ? Text(userdata::DescribeReason(languageReason))
                        : language.empty()       ? std::wstring(L"empty")
                                                 : L"'" + language + L"' is not installed for " + product) +
                           L": start-up " + Taken(decisions.language),
                       L"start the product in an installed language (" + LanguageList(listed->second) +
                           L"), or set the value to one of them" + (Unusable(languageReason) ? L" as REG_SZ" : L""));
    } else {
        report.Ok(L"last-launched", subject + L"LastLaunchedProduct", product + L" in " + language + L", installed");
    }
}

}  // namespace zvud::doctor
