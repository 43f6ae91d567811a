#include "launchers.h"

#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <system_error>

#include "installsteps.h"

namespace ws::setup {

namespace {

std::string Variable(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

std::string EntryText(const std::vector<std::pair<std::string, std::string>>& keys) {
  std::string text = "[Desktop Entry]\n";
  for (const auto& [key, value] : keys) text += key + "=" + value + "\n";
  return text;
}

}  // namespace

InstallerEnvironment InstallerEnvironment::FromProcess() {
  return {Variable("HOME"), Variable("XDG_DATA_HOME")};
}

fs::path ProgramsFolder(const InstallerEnvironment& environment) {
  const fs::path data(environment.xdgDataHome);
  if (!data.empty() && data.is_absolute()) return data / "applications";
  return fs::path(environment.home.empty() ? "/" : environment.home) / ".local" / "share" /
         "applications";
}

std::vector<std::string> FindProgramsFolder(const fs::path& programsFolder) {
  std::vector<std::string> folders;
  for (const FileEntry& entry : FileList(programsFolder))
    if (entry.folder) folders.push_back(entry.name);
  return folders;
}

std::string EscapeDesktopString(const std::string& value) {
  std::string out;
  for (char c : value) {
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\r':
        out += "\\r";
        break;
      default:
        out += c;
    }
  }
  return out;
}

// Exec quoting: inside double quotes, the characters " ` $ \ take a backslash,
// and a "%" is doubled so it is no field code. The string escaping of the
// file comes on top of that.
std::string QuoteExecArgument(const std::string& argument) {
  std::string quoted = "\"";
  for (char c : argument) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
    if (c == '%') quoted += '%';
    quoted += c;
  }
  quoted += '"';
  return EscapeDesktopString(quoted);
}

std::string FileUrl(const fs::path& path) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string url = "file://";
  for (unsigned char c : path.string()) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                       c == '/' || c == '-' || c == '.' || c == '_' || c == '~';
    if (plain) {
      url += static_cast<char>(c);
    } else {
      url += '%';
      url += kHex[c >> 4];
      url += kHex[c & 15];
    }
  }
  return url;
}

std::vector<Launcher> LaunchersFor(const fs::path& destination) {
  const fs::path program = destination / "Weftsmith";
  const std::string icon = EscapeDesktopString((destination / kIconFileName).string());
  return {
      {std::string(kDefaultProgramFolder) + ".desktop",
       EntryText({{"Type", "Application"},
                  {"Version", "1.4"},
                  {"Name", kDefaultProgramFolder},
                  {"GenericName", "Web Page Builder"},
                  {"Comment", "Edit build files and build sets of HTML pages from templates"},
                  {"Exec", QuoteExecArgument(program.string()) + " %F"},
                  {"Path", EscapeDesktopString(destination.string())},
                  {"Icon", icon},
                  {"Terminal", "false"},
                  {"Categories", "Development;WebDevelopment;"}})},
      {"Weftsmith Help.desktop", EntryText({{"Type", "Link"},
                                            {"Version", "1.4"},
                                            {"Name", "Weftsmith Help"},
                                            {"Comment", "Short help for Weftsmith"},
                                            {"URL", FileUrl(destination / "Help.htm")},
                                            {"Icon", icon}})},
      {"Weftsmith Online Manual.desktop",
       EntryText({{"Type", "Link"},
                  {"Version", "1.4"},
                  {"Name", "Weftsmith Online Manual"},
                  {"Comment", "The Weftsmith manual in your web browser"},
                  {"URL", FileUrl(destination / "manual" / "htm" / "wshelp.htm")},
                  {"Icon", icon}})},
  };
}

fs::path CreateShortcuts(const fs::path& programsFolder, const std::string& folderName,
                         const fs::path& destination) {
  const fs::path folder = folderName.empty() ? programsFolder : programsFolder / folderName;
  std::error_code ec;
  if (!fs::is_directory(folder, ec)) {
    fs::create_directories(folder, ec);
    if (ec || !fs::is_directory(folder)) throw FolderNotCreated(folder, ec.message());
  }
  for (const Launcher& launcher : LaunchersFor(destination)) {
    const fs::path path = folder / launcher.fileName;
    fs::remove(path, ec);  // a launcher of someone else's making is replaced, not written through
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << launcher.text;
    out.close();
    if (!out) throw std::runtime_error("The launcher " + path.string() + " could not be written");
  }
  return folder;
}

}  // namespace ws::setup
