#include "platform/posix/XdgRegistryFiles.h"

#include "platform/vt/Charsets.h"

#include <cstdint>
#include <cstdio>

namespace tolmix::posix {

namespace {

std::string XmlEscaped(std::string_view text) {
    std::string out;
    for (const char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

// Whether the bytes are UTF-8 without any control character.
bool IsPrintableUtf8(std::string_view text) {
    while (!text.empty()) {
        char32_t c = 0;
        const size_t n = vt::DecodeUtf8(text, c);
        if (n == 0 || c == 0xFFFD || c < 0x20 || (c >= 0x7F && c <= 0x9F))
            return false;
        text.remove_prefix(n);
    }
    return true;
}

uint64_t Fnv1a(std::string_view text) {
    uint64_t hash = 14695981039346656037ull;
    for (const char c : text) {
        hash ^= static_cast<uint8_t>(c);
        hash *= 1099511628211ull;
    }
    return hash;
}

} // namespace

std::string MimeTypeName(std::string_view typeName) {
    std::string out = "application/x-";
    for (const char c : typeName) {
        if (c >= 'A' && c <= 'Z')
            out += static_cast<char>(c - 'A' + 'a');
        else if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))
            out += c;
        else if (out.back() != '-')
            out += '-';
    }
    return out;
}

std::string MimePackageXml(const std::vector<FileTypeEntry>& types) {
    std::string out =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n";
    for (const FileTypeEntry& type : types) {
        out += "  <mime-type type=\"" + XmlEscaped(MimeTypeName(type.TypeName)) + "\">\n";
        out += "    <comment>" + XmlEscaped(type.TypeName) + "</comment>\n";
        // Plain text underneath, so that text editors are offered too.
        out += "    <sub-class-of type=\"text/plain\"/>\n";
        out += "    <generic-icon name=\"text-x-generic\"/>\n";
        out += "    <glob pattern=\"*" + XmlEscaped(type.Extension) + "\"/>\n";
        out += "  </mime-type>\n";
    }
    out += "</mime-info>\n";
    return out;
}

std::optional<std::string> ExecArgument(std::string_view text) {
    if (!IsPrintableUtf8(text))
        return std::nullopt;
    // Inside the quotes ", `, $ and \ take a backslash; the entry's string escapes then double
    // every backslash; % is the field-code mark.
    std::string out = "\"";
    for (const char c : text) {
        switch (c) {
        case '"':
        case '`':
        case '$':
            out += "\\\\";
            out += c;
            break;
        case '\\':
            out += "\\\\\\\\";
            break;
        case '%':
            out += "%%";
            break;
        default:
            out += c;
        }
    }
    out += '"';
    return out;
}

std::optional<std::string> DesktopEntry(std::string_view programPath,
                                        const std::vector<FileTypeEntry>& types) {
    std::string mimeTypes;
    for (const FileTypeEntry& type : types) {
        if (type.OpensWithProgram)
            mimeTypes += MimeTypeName(type.TypeName) + ";";
    }
    const std::optional<std::string> program = ExecArgument(programPath);
    if (mimeTypes.empty() || !program)
        return std::nullopt;
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Version=1.4\n"
           "Name=Tolmix Client\n"
           "Comment=Client of the Tolmix text game\n"
           "Icon=utilities-terminal\n"
           "Exec=" +
           *program +
           " %f\n"
           "Terminal=true\n"
           // Only a way to open its files, like the program's entry in a file type's menu.
           "NoDisplay=true\n"
           "Categories=Game;\n"
           "MimeType=" +
           mimeTypes + "\n";
}

std::string ConsoleFileName(std::string_view programPath) {
    std::string name(programPath);
    for (char& c : name) {
        if (c == '/')
            c = '_';
    }
    if (name.empty())
        name.assign(1, '_');
    if (name.size() > MaxFileNameBytes) {
        char hash[20];
        std::snprintf(hash, sizeof hash, "~%016llx",
                      static_cast<unsigned long long>(Fnv1a(programPath)));
        name.resize(MaxFileNameBytes - 17);
        name += hash;
    }
    return name;
}

std::string ConsoleFileText(const std::vector<ConsoleValue>& values) {
    std::string out;
    for (const ConsoleValue& value : values) {
        char data[16];
        std::snprintf(data, sizeof data, "0x%08X", static_cast<unsigned>(value.Data));
        out += value.Name + "=" + data + "\n";
    }
    return out;
}

} // namespace tolmix::posix
