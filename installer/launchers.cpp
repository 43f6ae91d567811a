#include "launchers.h"

#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <string_view>
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

std::vector<Launcher> LaunchersFor(const fs::path& destination, const fs::path& icon) {
  const std::string iconPath = EscapeDesktopString(icon.string());
  // A page of the installation, opened in the desktop's web browser.
  const auto page = [&](const char* name, const char* comment, const fs::path& file) {
    return EntryText({{"Type", "Application"},
                      {"Version", "1.4"},
                      {"Name", name},
                      {"Comment", comment},
                      {"Exec", "xdg-open " + QuoteExecArgument(file.string())},
                      {"Icon", iconPath},
                      {"Terminal", "false"},
                      {"Categories", "Development;WebDevelopment;Documentation;"}});
  };
  return {
      {std::string(kDefaultProgramFolder) + ".desktop",
       EntryText({{"Type", "Application"},
                  {"Version", "1.4"},
                  {"Name", kDefaultProgramFolder},
                  {"GenericName", "Web Page Builder"},
                  {"Comment", "Edit build files and build sets of HTML pages from templates"},
                  {"Exec", QuoteExecArgument((destination / "Weftsmith").string()) + " %F"},
                  {"Path", EscapeDesktopString(destination.string())},
                  {"Icon", iconPath},
                  {"Terminal", "false"},
                  {"Categories", "Development;WebDevelopment;"}})},
      {"Weftsmith Help.desktop",
       page("Weftsmith Help", "Short help for Weftsmith", destination / "Help.htm")},
      {"Weftsmith Online Manual.desktop",
       page("Weftsmith Online Manual", "The Weftsmith manual in your web browser",
            destination / "manual" / "htm" / "wshelp.htm")},
  };
}

std::string ProgramFolderProblem(const fs::path& programsFolder, const std::string& folderName) {
  const auto problem = [&] {
    return "The program folder  " + folderName + "  is not a folder in " + programsFolder.string() +
           ". Type the name of one folder there, without \"/\" and other than \".\" or \"..\".";
  };
  if (folderName == "." || folderName == ".." ||
      folderName.find_first_of(std::string_view("/\0", 2)) != std::string::npos)
    return problem();
  if (folderName.empty()) return {};
  // A link already there would be followed by the writes: it must lead inside.
  std::error_code ec;
  const fs::path candidate = programsFolder / folderName;
  if (!fs::is_symlink(candidate, ec)) return {};
  const fs::path target = fs::weakly_canonical(candidate, ec);
  if (ec) return problem();
  const fs::path inside = target.lexically_relative(fs::weakly_canonical(programsFolder, ec));
  if (ec || inside.empty() || *inside.begin() == "..") return problem();
  return {};
}

fs::path CreateShortcuts(const fs::path& programsFolder, const std::string& folderName,
                         const fs::path& destination, const std::string& iconData) {
  if (std::string problem = ProgramFolderProblem(programsFolder, folderName); !problem.empty())
    throw std::runtime_error(problem);
  const fs::path folder = folderName.empty() ? programsFolder : programsFolder / folderName;
  std::error_code ec;
  if (!fs::is_directory(folder, ec)) {
    fs::create_directories(folder, ec);
    if (ec || !fs::is_directory(folder)) throw FolderNotCreated(folder, ec.message());
  }
  // A file of someone else's making is replaced, not written through.
  const auto write = [&](const fs::path& path, const std::string& text, const char* what) {
    fs::remove(path, ec);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    if (!out) throw std::runtime_error(std::string(what) + path.string() + " could not be written");
  };
  const fs::path icon = folder / kIconFileName;
  write(icon, iconData, "The icon ");
  for (const Launcher& launcher : LaunchersFor(destination, icon))
    write(folder / launcher.fileName, launcher.text, "The launcher ");
  return folder;
}

}  // namespace ws::setup
