// SPDX-License-Identifier: GPL-3.0-or-later
#include "host/DefaultsCommand.h"

#include "host/SettingsSchema.h"
#include "platform/Color.h"
#include "platform/WholeInteger.h"
#include "settings/ScreenSaverDefaults.h"
#include "settings/SettingsKeys.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <dirent.h>
#include <optional>
#include <set>
#include <sstream>
#include <string_view>

namespace {

constexpr const char* kUsage = "usage: skyvanes defaults read [DOMAIN [KEY]]\n"
                               "       skyvanes defaults write DOMAIN KEY [-string|-int|-float|-bool|-color] VALUE\n"
                               "       skyvanes defaults delete DOMAIN [KEY]\n";

void describe(std::ostream& out, const PropertyValue& value, int indent);

std::string quoted(const std::string& text)
{
    std::string result = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\')
            result += '\\';
        result += c;
    }
    return result + "\"";
}

void describe(std::ostream& out, const PropertyValue& value, int indent)
{
    const std::string pad(static_cast<std::size_t>(indent) * 4, ' ');
    if (auto* v = value.string()) {
        out << quoted(*v);
    } else if (auto* v = value.integer()) {
        out << *v;
    } else if (auto* v = value.real()) {
        char buffer[64];
        std::snprintf(buffer, sizeof buffer, "%.9g", *v);
        out << buffer;
    } else if (auto* v = value.boolean()) {
        out << (*v ? "YES" : "NO");
    } else if (auto* v = value.data()) {
        if (auto color = Color::unarchiveFromData(*v)) {
            out << "colour " << color->toHex();
            return;
        }
        out << '<';
        char buffer[3];
        for (std::uint8_t byte : *v) {
            std::snprintf(buffer, sizeof buffer, "%02x", byte);
            out << buffer;
        }
        out << '>';
    } else if (auto* v = value.array()) {
        out << "(\n";
        for (std::size_t i = 0; i < v->size(); ++i) {
            out << pad << "    ";
            describe(out, (*v)[i], indent + 1);
            out << (i + 1 < v->size() ? ",\n" : "\n");
        }
        out << pad << ')';
    } else if (auto* v = value.dictionary()) {
        out << "{\n";
        for (const auto& [key, item] : *v) {
            out << pad << "    " << key << " = ";
            describe(out, item, indent + 1);
            out << ";\n";
        }
        out << pad << '}';
    }
}

std::optional<double> parseReal(const std::string& text)
{
    if (text.empty())
        return std::nullopt;
    std::istringstream in(text);
    in.imbue(std::locale::classic());
    double value = 0;
    in >> value;
    if (in.fail() || !in.eof() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<bool> parseBool(const std::string& text)
{
    if (text == "YES" || text == "true" || text == "1")
        return true;
    if (text == "NO" || text == "false" || text == "0")
        return false;
    return std::nullopt;
}

std::set<std::string> domainsInFolder()
{
    std::set<std::string> domains;
    const std::string folder = ScreenSaverDefaults::preferencesFolder();
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return domains;
    while (dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        const std::string suffix = ".plist";
        if (name.size() > suffix.size() && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0) {
            const std::string domain = name.substr(0, name.size() - suffix.size());
            if (ScreenSaverDefaults::isValidDomainName(domain))
                domains.insert(domain);
        }
    }
    ::closedir(dir);
    return domains;
}

int read(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    if (args.size() > 2) {
        err << kUsage;
        return 2;
    }
    if (args.empty()) {
        for (const auto& domain : domainsInFolder()) {
            out << domain << " = ";
            describe(out, PropertyValue(ScreenSaverDefaults::defaultsForModuleWithName(domain).persistentDomain()), 0);
            out << ";\n";
        }
        return 0;
    }
    auto& store = ScreenSaverDefaults::defaultsForModuleWithName(args[0]);
    if (!store.hasPersistentDomain()) {
        err << "skyvanes defaults: the domain " << args[0] << " does not exist\n";
        return 1;
    }
    const PropertyDictionary values = store.persistentDomain();
    if (!store.problem().empty()) {
        err << "skyvanes defaults: could not read " << store.path() << '\n';
        return 1;
    }
    if (args.size() == 1) {
        describe(out, PropertyValue(values), 0);
        out << '\n';
        return 0;
    }
    auto it = values.find(args[1]);
    if (it == values.end()) {
        err << "skyvanes defaults: the key " << args[1] << " does not exist in the domain " << args[0] << '\n';
        return 1;
    }
    describe(out, it->second, 0);
    out << '\n';
    return 0;
}

bool isTypeWord(const std::string& word)
{
    static constexpr std::string_view kTypes[] = { "-string", "-int", "-integer", "-float", "-bool", "-boolean", "-color", "-colour" };
    return std::find(std::begin(kTypes), std::end(kTypes), word) != std::end(kTypes);
}

std::optional<PropertyValue> typedValue(const std::string& type, const std::string& text, std::ostream& err)
{
    if (type == "-string")
        return PropertyValue(text);
    if (type == "-int" || type == "-integer") {
        if (auto v = parseWholeInteger<std::int32_t>(text))
            return PropertyValue(*v);
        err << "skyvanes defaults: not a whole number from -2147483648 to 2147483647: " << text << '\n';
    } else if (type == "-float") {
        if (auto v = parseReal(text))
            return PropertyValue(*v);
        err << "skyvanes defaults: not a finite number: " << text << '\n';
    } else if (type == "-bool" || type == "-boolean") {
        if (auto v = parseBool(text))
            return PropertyValue(*v);
        err << "skyvanes defaults: not a boolean (YES, NO, true, false, 1 or 0): " << text << '\n';
    } else if (type == "-color" || type == "-colour") {
        if (auto v = Color::fromHex(text))
            return PropertyValue(v->archivedData());
        err << "skyvanes defaults: not a colour (#RRGGBB or #RRGGBBAA): " << text << '\n';
    } else {
        err << "skyvanes defaults: unknown type " << type << '\n'
            << kUsage;
    }
    return std::nullopt;
}

int write(const std::vector<std::string>& args, std::ostream& err)
{
    if (args.size() != 3 && args.size() != 4) {
        err << kUsage;
        return 2;
    }
    const std::string& key = args[1];
    if (key.empty()) {
        err << "skyvanes defaults: the key must not be empty\n";
        return 2;
    }
    // "ImageLimit -int" lost its value; storing the text "-int" would hide that.
    if (args.size() == 3 && isTypeWord(args[2])) {
        err << "skyvanes defaults: " << args[2] << " needs a value\n"
            << kUsage;
        return 2;
    }
    auto value = args.size() == 3 ? std::optional<PropertyValue>(PropertyValue(args[2])) : typedValue(args[2], args[3], err);
    if (!value)
        return 2;
    if (args[0] == kModuleName) {
        if (auto warning = SettingsSchema::check(key, *value))
            err << "skyvanes defaults: warning: " << *warning << '\n';
    }
    auto& store = ScreenSaverDefaults::defaultsForModuleWithName(args[0]);
    if (!store.setObject(*value, key)) {
        err << "skyvanes defaults: could not write " << store.path() << '\n';
        return 1;
    }
    return 0;
}

int remove(const std::vector<std::string>& args, std::ostream& err)
{
    if (args.empty() || args.size() > 2) {
        err << kUsage;
        return 2;
    }
    auto& store = ScreenSaverDefaults::defaultsForModuleWithName(args[0]);
    if (!store.hasPersistentDomain()) {
        err << "skyvanes defaults: the domain " << args[0] << " does not exist\n";
        return 1;
    }
    if (args.size() == 1) {
        if (!store.removePersistentDomain()) {
            err << "skyvanes defaults: could not delete " << store.path() << '\n';
            return 1;
        }
        return 0;
    }
    const PropertyDictionary values = store.persistentDomain();
    if (values.find(args[1]) == values.end()) {
        err << "skyvanes defaults: the key " << args[1] << " does not exist in the domain " << args[0] << '\n';
        return 1;
    }
    if (!store.removeObjectForKey(args[1])) {
        err << "skyvanes defaults: could not write " << store.path() << '\n';
        return 1;
    }
    return 0;
}

}

int DefaultsCommand::run(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err)
{
    if (arguments.empty()) {
        err << kUsage;
        return 2;
    }
    const std::vector<std::string> rest(arguments.begin() + 1, arguments.end());
    if (!rest.empty() && !ScreenSaverDefaults::isValidDomainName(rest[0])) {
        err << "skyvanes defaults: not a domain name: " << rest[0] << '\n';
        return 2;
    }
    const std::string& verb = arguments[0];
    if (verb == "read")
        return read(rest, out, err);
    if (verb == "write")
        return write(rest, err);
    if (verb == "delete")
        return remove(rest, err);
    err << "skyvanes defaults: unknown command " << verb << '\n'
        << kUsage;
    return 2;
}
