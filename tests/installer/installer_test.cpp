// The installer driven through its windows offscreen: a copy of the
// distribution folder with a few awkward extras is installed into temporary
// folders, with HOME and XDG_DATA_HOME pointed at temporary folders too.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeView>
#include <QtTest>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "background.h"
#include "folderdialog.h"
#include "installsteps.h"
#include "launchers.h"
#include "scriptedprompts.h"
#include "waitform.h"
#include "welcome.h"

namespace fs = std::filesystem;
using namespace ws::setup;
using Kind = ScriptedPrompts::Kind;

namespace {

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteFile(const fs::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

const QString kQuit = "The Setup is not finished! Do you really want to Quit? ";

// A program that writes its working folder and then its arguments, one a line,
// to $WS_RECORD; it stands in for xdg-open and for Weftsmith.
void WriteRecorder(const fs::path& path) {
  WriteFile(path,
            "#!/bin/sh\n{ pwd; printf '%s\\n' \"$@\"; } >\"$WS_RECORD.new\" && "
            "mv \"$WS_RECORD.new\" \"$WS_RECORD\"\n");
  fs::permissions(path, fs::perms::owner_all);
}

// Starts a launcher as a desktop's menu does (gio parses its Exec line) with
// the recorders of fakeBin first on PATH; returns the lines recorded.
QStringList Launch(const fs::path& launcher, const fs::path& fakeBin, const QStringList& files) {
  const QString record = QString::fromStdString((fakeBin / "record").string());
  QFile::remove(record);
  QProcess gio;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert("PATH",
                     QString::fromStdString(fakeBin.string()) + ":" + environment.value("PATH"));
  environment.insert("WS_RECORD", record);
  gio.setProcessEnvironment(environment);
  gio.start("gio", QStringList{"launch", QString::fromStdString(launcher.string())} + files);
  if (!gio.waitForFinished(30000) || gio.exitCode() != 0)
    return {"gio launch failed: " + gio.readAllStandardError()};
  QFile file(record);
  for (int wait = 0; wait < 100 && !file.exists(); ++wait) QTest::qWait(50);
  if (!file.open(QIODevice::ReadOnly)) return {"the launcher started nothing"};
  return QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
}

// The lines Launch records, one path a line; joined so a failure shows both.
QString Lines(std::initializer_list<fs::path> paths) {
  QStringList lines;
  for (const fs::path& path : paths) lines << QString::fromStdString(path.string());
  return lines.join('\n');
}

// One run of the wizard: the background and the wizard over one script.
struct Wizard {
  ScriptedPrompts prompts;
  TBackground background;
  TWelcome welcome;
  Wizard(const fs::path& source, const InstallerEnvironment& environment)
      : background(prompts, QString::fromStdString(source.string())),
        welcome(prompts, background, environment, "Install") {
    background.resize(800, 600);
    background.show();
    welcome.show();
  }
  template <typename T>
  T* Find(const char* name) {
    T* widget = welcome.findChild<T*>(name);
    if (!widget) qFatal("no control %s", name);
    return widget;
  }
  void Click(const char* name) { Find<QPushButton>(name)->click(); }
  QString Text(int i) {
    return Find<QLabel>(QString("Text%1").arg(i).toUtf8().constData())->text();
  }
};

}  // namespace

class InstallerTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase();
  void plainSteps();
  void launcherTexts();
  void wizardInstallsIntoBareName();
  void secondRunReusesChosenFolderAndReplacesLaunchers();
  void noShortcutsWhenTicked();
  void destinationRefusals();
  void programFolderRefusals();
  void browseAndNewFolder();
  void installedProgramsWork();

 private:
  void SaveImage(QWidget& widget, const QString& name);
  InstallerEnvironment Environment() const { return InstallerEnvironment::FromProcess(); }
  fs::path Installed(const std::string& name) const { return root_ / name; }
  void CheckTreeCopied(const fs::path& destination);

  QTemporaryDir temp_;
  fs::path root_;
  fs::path source_;
  fs::path applications_;
};

void InstallerTest::initTestCase() {
  QVERIFY(temp_.isValid());
  QGuiApplication::setApplicationDisplayName("Weftsmith Setup");  // as Install names itself
  root_ = temp_.path().toStdString();
  const fs::path dist = WEFTSMITH_DIST_DIR;
  QVERIFY2(fs::exists(dist / "weftsmith-build"), "make the dist target first");
  QVERIFY(fs::exists(dist / "Install"));

  // The distribution folder, copied where the test may add to it.
  source_ = root_ / "source dist";
  fs::copy(dist, source_, fs::copy_options::recursive);
  fs::copy_file(dist / "Install", source_ / "manual" / "htm" / "Install");  // deeper copy
  WriteFile(source_ / ".hidden", "not for copying");
  WriteFile(source_ / "examples" / ".keep", "");
  fs::create_directory_symlink("..", source_ / "examples" / "up");
  fs::create_symlink(source_ / "nowhere.htm", source_ / "broken.htm");
  fs::create_symlink("Help.htm", source_ / "linked.htm");

  fs::create_directories(root_ / "home");
  fs::create_directories(root_ / "data" / "applications" / "Other Programs");
  fs::create_directories(root_ / "data" / "applications" / ".cache");
  qputenv("HOME", QByteArray::fromStdString((root_ / "home").string()));
  qputenv("XDG_DATA_HOME", QByteArray::fromStdString((root_ / "data").string()));
  applications_ = root_ / "data" / "applications";
}

void InstallerTest::SaveImage(QWidget& widget, const QString& name) {
  QDir().mkpath(WEFTSMITH_IMAGE_DIR);
  const QImage image = widget.grab().toImage();
  QVERIFY(!image.isNull());
  QVERIFY(image.save(QString(WEFTSMITH_IMAGE_DIR) + "/" + name));
}

void InstallerTest::plainSteps() {
  // The progress bar wraps past 600 and shows full at the end.
  ProgressSteps steps;
  for (int i = 0; i < 120; ++i) steps.StepIt();
  QCOMPARE(steps.position(), 600);
  steps.StepIt();
  QCOMPARE(steps.position(), 0);
  steps.StepIt();
  steps.Finish();
  QCOMPARE(steps.position(), 600);

  QCOMPARE(ResolveDestination(" /opt/ws/ ", "/src"), fs::path("/opt/ws"));
  QCOMPARE(ResolveDestination("Weftsmith", "/src/dist"), fs::path("/src/dist/Weftsmith"));
  QCOMPARE(ResolveDestination("a/../b", "/src"), fs::path("/src/b"));
  QCOMPARE(ResolveDestination("   ", "/src"), fs::path("/src"));
  QCOMPARE(DefaultDestination("/home/ann"), std::string("/home/ann/Weftsmith"));

  InstallerEnvironment environment{"/home/ann", ""};
  QCOMPARE(ProgramsFolder(environment), fs::path("/home/ann/.local/share/applications"));
  environment.xdgDataHome = "relative/data";  // not absolute: ignored
  QCOMPARE(ProgramsFolder(environment), fs::path("/home/ann/.local/share/applications"));
  environment.xdgDataHome = "/x/data";
  QCOMPARE(ProgramsFolder(environment), fs::path("/x/data/applications"));

  // The listing: files, folders, no dot-files, no links to folders.
  const auto list = FileList(source_ / "examples");
  QStringList names;
  for (const FileEntry& entry : list)
    names << QString::fromStdString(entry.folder ? "[" + entry.name + "]" : entry.name);
  QCOMPARE(names, QStringList({"[content]", "[fragments]", "pages.csv", "[site]", "site.bld",
                               "[templates]"}));
  QCOMPARE(FindProgramsFolder(applications_), std::vector<std::string>{"Other Programs"});

  // The folder picker opens at the nearest folder that exists.
  QCOMPARE(NearestExistingFolder(root_ / "home"), root_ / "home");
  QCOMPARE(NearestExistingFolder(root_ / "home" / "not" / "yet"), root_ / "home");
  QCOMPARE(NearestExistingFolder(source_ / "Help.htm" / "x"), source_);  // a file is no folder
  QCOMPARE(NearestExistingFolder("/no such folder/x"), fs::path("/"));

  // Setup copies only a distribution folder. The build's bin folder, with
  // the test programs, is none; the message sends the user to the dist
  // folder beside it, or to the dist target.
  QVERIFY(IsDistributionFolder(WEFTSMITH_DIST_DIR));
  QCOMPARE(DistributionFolderProblem(source_, "Install"), std::string());
  const fs::path dist = WEFTSMITH_DIST_DIR;
  const fs::path bin = dist.parent_path() / "bin";
  const std::string fromBin = DistributionFolderProblem(bin, "Install");
  QVERIFY2(fromBin.find(bin.string() + " is none") != std::string::npos, fromBin.c_str());
  QVERIFY2(fromBin.find("Start " + (dist / "Install").string() + " instead.") != std::string::npos,
           fromBin.c_str());
}

void InstallerTest::launcherTexts() {
  QCOMPARE(QuoteExecArgument("/a b/W$x\"y`z\\%"),
           std::string("\"/a b/W\\\\$x\\\\\"y\\\\`z\\\\\\\\%%\""));
  QCOMPARE(EscapeDesktopString("a\\b\nc"), std::string("a\\\\b\\nc"));
  const auto launchers = LaunchersFor("/opt/My Tools/Weftsmith", "/menu/weftsmith.svg");
  QCOMPARE(launchers.size(), std::size_t(3));
  QCOMPARE(launchers[0].fileName, std::string("Brindlow Weftsmith.desktop"));
  QCOMPARE(launchers[1].fileName, std::string("Weftsmith Help.desktop"));
  QCOMPARE(launchers[2].fileName, std::string("Weftsmith Online Manual.desktop"));
  // Every launcher is an application (menus list those) with the icon given.
  for (const Launcher& launcher : launchers) {
    QVERIFY2(launcher.text.starts_with("[Desktop Entry]\nType=Application\n"),
             launcher.text.c_str());
    QVERIFY(launcher.text.find("\nIcon=/menu/weftsmith.svg\n") != std::string::npos);
  }
  QVERIFY(launchers[0].text.find("\nExec=\"/opt/My Tools/Weftsmith/Weftsmith\" %F\n") !=
          std::string::npos);
  QVERIFY(launchers[0].text.find("\nPath=/opt/My Tools/Weftsmith\n") != std::string::npos);
  QVERIFY(launchers[1].text.find("\nName=Weftsmith Help\n") != std::string::npos);

  // Started the way a menu starts them, from destinations whose names hold
  // the characters that Exec quoting must guard: the program gets the files
  // dropped on it as separate arguments and runs in the destination; the
  // browser gets the page's path. (The program's own path holds no "%":
  // gio looks for the program before it undoes the "%%".)
  const fs::path odd = root_ / "odd $HOME \"q\" `b` \\ dir";
  const fs::path percent = root_ / "100% odd";
  const fs::path fakeBin = root_ / "fake bin";
  fs::create_directories(odd);
  fs::create_directories(fakeBin);
  WriteRecorder(odd / "Weftsmith");
  WriteRecorder(fakeBin / "xdg-open");
  const fs::path menu = CreateShortcuts(root_ / "odd menu", "", odd, "<svg/>");
  QCOMPARE(
      Launch(menu / "Brindlow Weftsmith.desktop", fakeBin, {"/a b/one.bld", "/two.bld"}).join('\n'),
      Lines({odd, "/a b/one.bld", "/two.bld"}));
  const fs::path percentMenu = CreateShortcuts(root_ / "odd menu", "100%", percent, "<svg/>");
  QCOMPARE(Launch(percentMenu / "Weftsmith Online Manual.desktop", fakeBin, {}).mid(1).join('\n'),
           Lines({percent / "manual" / "htm" / "wshelp.htm"}));
  QCOMPARE(ReadAll(menu / kIconFileName), std::string("<svg/>"));
}

void InstallerTest::CheckTreeCopied(const fs::path& destination) {
  // Every file that the installer should take is there, byte for byte, with
  // its executable bits.
  int files = 0;
  for (auto it = fs::recursive_directory_iterator(source_);
       it != fs::recursive_directory_iterator(); ++it) {
    const fs::path relative = it->path().lexically_relative(source_);
    const std::string first = relative.begin()->string();
    const std::string name = it->path().filename().string();
    if (it->is_symlink() && it->is_directory()) {
      it.disable_recursion_pending();
      QVERIFY2(!fs::exists(fs::symlink_status(destination / relative)), relative.c_str());
      continue;
    }
    if (name.starts_with('.') || first == "dest dir" || name == "broken.htm") {
      if (it->is_directory()) it.disable_recursion_pending();
      QVERIFY2(!fs::exists(fs::symlink_status(destination / relative)), relative.c_str());
      continue;
    }
    if (relative == "Install" || relative == kDistributionMarker) {
      QVERIFY2(!fs::exists(destination / relative), relative.c_str());
      continue;
    }
    if (it->is_directory()) {
      QVERIFY2(fs::is_directory(destination / relative), relative.c_str());
      continue;
    }
    ++files;
    QVERIFY2(ReadAll(destination / relative) == ReadAll(it->path()), relative.c_str());
    QVERIFY2(!fs::is_symlink(destination / relative), relative.c_str());
    const auto exec = fs::perms::owner_exec;
    QCOMPARE(fs::status(destination / relative).permissions() & exec,
             fs::status(it->path()).permissions() & exec);
  }
  QVERIFY(files > 20);
  QVERIFY(fs::exists(destination / "manual" / "htm" / "Install"));
  QVERIFY(fs::is_directory(destination / "examples" / "site"));
}

void InstallerTest::wizardInstallsIntoBareName() {
  Wizard w(source_, Environment());
  QCOMPARE(w.Find<QLineEdit>("EditFolder")->text(),
           QString::fromStdString((root_ / "home" / "Weftsmith").string()));

  // The background: the gradient from its top colour to black, the title.
  SaveImage(w.background, "background.png");
  const QImage background = w.background.grab().toImage();
  QCOMPARE(background.pixelColor(790, 0), QColor(64, 128, 128));
  QCOMPARE(background.pixelColor(790, 599), QColor(0, 0, 0));
  QCOMPARE(TBackground::BandCount(600), 256);
  QCOMPARE(TBackground::BandCount(100), 100);
  QCOMPARE(TBackground::BandColour(128, 256).red(), 64 - 64 * 128 / 255);
  QCOMPARE(w.background.windowTitle(), QString("Weftsmith Setup"));

  // Page 1.
  QCOMPARE(w.welcome.windowTitle(), QString("Welcome"));
  QCOMPARE(w.Text(1), QString("Welcome to the Weftsmith Setup program. This program will install "
                              "Weftsmith on your computer. "));
  QCOMPARE(w.Text(2),
           QString("Click Cancel to quit Setup or click Next to continue with the Setup program."));
  QVERIFY(!w.Text(3).isEmpty() && !w.Text(4).isEmpty());
  QVERIFY(w.Find<QPushButton>("btnBack")->isHidden());
  QVERIFY(w.Find<QGroupBox>("grpDestination")->isHidden());
  QVERIFY(w.Find<QWidget>("page3")->isHidden());
  SaveImage(w.welcome, "wizard-page1.png");

  // Cancel asks; Cancel on the question keeps the page. The question opens
  // over the wizard, which stays above the background.
  w.prompts.Expect(Kind::Confirm, kQuit, false);
  w.Click("btnCancel");
  QCOMPARE(w.welcome.WizardStep(), 1);
  QVERIFY(w.background.isVisible() && w.welcome.isVisible());
  QCOMPARE(w.prompts.Owners().last(), &w.welcome);

  // Page 2.
  w.Click("btnNext");
  QCOMPARE(w.welcome.WizardStep(), 2);
  QCOMPARE(w.welcome.windowTitle(), QString("Choose Destination Location"));
  QCOMPARE(w.Text(1), QString("Setup will install Weftsmith in the folder shown at the bottom of "
                              "this window."));
  QCOMPARE(w.Text(2), QString("To install to this folder, click Next."));
  QCOMPARE(w.Text(3),
           QString("To install to a different folder, click Browse and select another folder."));
  QCOMPARE(w.Text(4), QString());
  QVERIFY(!w.Find<QGroupBox>("grpDestination")->isHidden());
  QVERIFY(!w.Find<QPushButton>("btnBack")->isHidden());
  SaveImage(w.welcome, "wizard-page2.png");

  // A bare name is taken inside the installer's folder; Cancel on the
  // question stays, OK creates it.
  const fs::path destination = source_ / "dest dir";
  w.Find<QLineEdit>("EditFolder")->setText("dest dir");
  const QString question = "The Folder:  " + QString::fromStdString(destination.string()) +
                           "  does not exist! Do you want to Create it? ";
  w.prompts.Expect(Kind::Confirm, question, false);
  w.Click("btnNext");
  QCOMPARE(w.welcome.WizardStep(), 2);
  QVERIFY(!fs::exists(destination));
  w.prompts.Expect(Kind::Confirm, question, true);
  w.Click("btnNext");
  QCOMPARE(w.welcome.WizardStep(), 3);
  QVERIFY(fs::is_directory(destination));

  // Page 3, and back and forth: an existing folder is not asked about.
  QCOMPARE(w.welcome.windowTitle(), QString("Select Shortcut Folder"));
  for (int i = 1; i <= 4; ++i)
    QVERIFY(w.Find<QLabel>(("Text" + std::to_string(i)).c_str())->isHidden());
  QVERIFY(w.Find<QGroupBox>("grpDestination")->isHidden());
  QCOMPARE(w.Find<QLineEdit>("Edit1")->text(), QString("Brindlow Weftsmith"));
  QCOMPARE(w.welcome.ProgramsFolder(), QString::fromStdString(applications_.string()));
  QCOMPARE(w.Find<QListWidget>("Folders")->count(), 1);
  QCOMPARE(w.Find<QListWidget>("Folders")->item(0)->text(), QString("Other Programs"));
  SaveImage(w.welcome, "wizard-page3.png");
  w.Click("btnBack");
  QCOMPARE(w.welcome.WizardStep(), 2);
  w.Click("btnNext");
  QCOMPARE(w.welcome.WizardStep(), 3);
  w.prompts.Expect(Kind::Confirm, kQuit, false);
  w.Click("btnCancel");
  QCOMPARE(w.welcome.WizardStep(), 3);

  // Page 4.
  w.Click("btnNext");
  QCOMPARE(w.welcome.WizardStep(), 4);
  QCOMPARE(w.welcome.windowTitle(), QString("Ready to Install"));
  QCOMPARE(w.Text(1), QString("Setup is now ready to install Weftsmith on your computer."));
  QCOMPARE(w.Text(2), QString("Click Finish to complete installation."));
  QCOMPARE(w.Find<QPushButton>("btnNext")->text(), QString("Finish"));
  QVERIFY(w.Find<QWidget>("page3")->isHidden());
  SaveImage(w.welcome, "wizard-page4.png");

  // A file already there, read-only, is replaced.
  WriteFile(destination / "Help.htm", "old help");
  fs::permissions(destination / "Help.htm", fs::perms::owner_read);

  w.prompts.Expect(Kind::Warn, "could not be copied:\n" +
                                   QString::fromStdString((source_ / "broken.htm").string()));
  w.Click("btnNext");
  QVERIFY2(w.prompts.Unexpected().isEmpty(), qPrintable(w.prompts.Unexpected().join(" | ")));
  QVERIFY(w.prompts.Done());
  QCOMPARE(w.prompts.Shown().last().count('\n'), 1);    // only the one file is named
  QVERIFY(!w.prompts.Shown().last().contains("kept"));  // no settings file was there
  QCOMPARE(w.prompts.Owners().last(), &w.welcome);
  QCOMPARE(w.welcome.WizardStep(), 5);
  QVERIFY(w.background.SetupFinished());
  QVERIFY(!w.background.isVisible() && !w.welcome.isVisible());
  QCOMPARE(w.welcome.WaitForm()->Position(), ProgressSteps::kMaximum);
  QVERIFY(!w.welcome.WaitForm()->isVisible());

  CheckTreeCopied(destination);
  QVERIFY(!fs::exists(destination / "dest dir"));  // not copied into itself
  QCOMPARE(ReadAll(destination / "Help.htm"), ReadAll(source_ / "Help.htm"));
  QCOMPARE(ReadAll(destination / "linked.htm"), ReadAll(source_ / "Help.htm"));

  // The three launchers and the icon beside them, valid, pointing into the
  // destination.
  const fs::path folder = applications_ / "Brindlow Weftsmith";
  const fs::path icon = folder / kIconFileName;
  QCOMPARE(ReadAll(icon), ReadAll(source_ / kIconFileName));
  for (const char* name : {"Brindlow Weftsmith.desktop", "Weftsmith Help.desktop",
                           "Weftsmith Online Manual.desktop"}) {
    const fs::path launcher = folder / name;
    QVERIFY2(fs::exists(launcher), name);
    QProcess validate;
    validate.start("desktop-file-validate", {QString::fromStdString(launcher.string())});
    QVERIFY(validate.waitForFinished(30000));
    const QByteArray said = validate.readAllStandardOutput() + validate.readAllStandardError();
    QVERIFY2(
        validate.exitStatus() == QProcess::NormalExit && validate.exitCode() == 0 && said.isEmpty(),
        (name + (": " + said)).constData());
    QVERIFY2(ReadAll(launcher).find("\nIcon=" + icon.string() + "\n") != std::string::npos, name);
  }
  const std::string program = ReadAll(folder / "Brindlow Weftsmith.desktop");
  QVERIFY(program.find("Exec=\"" + (destination / "Weftsmith").string() + "\" %F\n") !=
          std::string::npos);
  QVERIFY(program.find("Path=" + destination.string() + "\n") != std::string::npos);
  const fs::path fakeBin = root_ / "fake bin";
  QCOMPARE(Launch(folder / "Weftsmith Help.desktop", fakeBin, {}).mid(1).join('\n'),
           Lines({destination / "Help.htm"}));
}

void InstallerTest::secondRunReusesChosenFolderAndReplacesLaunchers() {
  const fs::path destination = root_ / "second";
  fs::create_directory(destination);
  const fs::path chosen = applications_ / "Other Programs";
  WriteFile(chosen / "unrelated.desktop", "kept");
  for (int run = 1; run <= 2; ++run) {
    Wizard w(source_, Environment());
    w.Click("btnNext");
    w.Find<QLineEdit>("EditFolder")->setText(QString::fromStdString(destination.string()));
    w.Click("btnNext");  // exists: no question
    QCOMPARE(w.welcome.WizardStep(), 3);
    auto* folders = w.Find<QListWidget>("Folders");
    QCOMPARE(folders->count(), 2);  // with "Brindlow Weftsmith" of the first install
    folders->setCurrentItem(folders->findItems("Other Programs", Qt::MatchExactly).front());
    QCOMPARE(w.Find<QLineEdit>("Edit1")->text(), QString("Other Programs"));
    w.Click("btnNext");
    w.prompts.Expect(Kind::Warn, "broken.htm");
    w.Click("btnNext");
    QVERIFY2(w.prompts.Unexpected().isEmpty(), qPrintable(w.prompts.Unexpected().join(" | ")));
    const fs::path launcher = chosen / "Weftsmith Help.desktop";
    QVERIFY(ReadAll(launcher).find((destination / "Help.htm").string()) != std::string::npos);
    // The settings file: copied the first time; the user's edited copy is
    // kept the second time, and the final message says so.
    const QString final = w.prompts.Shown().last();
    if (run == 1) {
      QCOMPARE(ReadAll(destination / "prop"), ReadAll(source_ / "prop"));
      QVERIFY2(!final.contains("prop"), qPrintable(final));
      WriteFile(launcher, "spoilt");
      WriteFile(destination / "prop", "the user's settings");
    } else {
      QCOMPARE(ReadAll(destination / "prop"), std::string("the user's settings"));
      QVERIFY2(final.endsWith("broken.htm\n\nYour settings file prop was kept."),
               qPrintable(final));
      QCOMPARE(ReadAll(destination / "alpha"), ReadAll(source_ / "alpha"));  // the rest updated
    }
  }
  QCOMPARE(ReadAll(chosen / "unrelated.desktop"), std::string("kept"));
  int entries = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator(chosen)) ++entries;
  QCOMPARE(entries, 5);  // three launchers, the icon and the unrelated file
  QVERIFY(!fs::exists(chosen / "Other Programs"));  // reused, not nested
}

void InstallerTest::noShortcutsWhenTicked() {
  const fs::path data = root_ / "data-none";
  qputenv("XDG_DATA_HOME", QByteArray::fromStdString(data.string()));
  const fs::path destination = root_ / "third";
  {
    Wizard w(source_, Environment());
    w.Click("btnNext");
    w.Find<QLineEdit>("EditFolder")->setText(QString::fromStdString(destination.string()));
    w.prompts.Expect(Kind::Confirm, "does not exist!", true);
    w.Click("btnNext");
    QCOMPARE(w.Find<QListWidget>("Folders")->count(), 0);  // no applications folder at all
    w.Find<QCheckBox>("CheckBox1")->setChecked(true);
    QVERIFY(!w.Find<QLineEdit>("Edit1")->isEnabled());
    QVERIFY(!w.Find<QListWidget>("Folders")->isEnabled());
    w.Find<QCheckBox>("CheckBox1")->setChecked(false);
    QVERIFY(w.Find<QLineEdit>("Edit1")->isEnabled());
    w.Find<QCheckBox>("CheckBox1")->setChecked(true);
    w.Click("btnNext");
    w.prompts.Expect(Kind::Warn, "broken.htm");
    w.Click("btnNext");
    QVERIFY2(w.prompts.Unexpected().isEmpty(), qPrintable(w.prompts.Unexpected().join(" | ")));
  }
  qputenv("XDG_DATA_HOME", QByteArray::fromStdString((root_ / "data").string()));
  QVERIFY(fs::exists(destination / "weftsmith-build"));
  QVERIFY(!fs::exists(data));
}

void InstallerTest::destinationRefusals() {
  WriteFile(root_ / "afile", "a file, not a folder");
  Wizard w(source_, Environment());
  w.Click("btnNext");

  // A folder that cannot be created: named in a message, the wizard stays.
  const fs::path blocked = root_ / "afile" / "sub";
  w.Find<QLineEdit>("EditFolder")->setText(QString::fromStdString(blocked.string()));
  w.prompts.Expect(Kind::Confirm, "does not exist!", true);
  w.prompts.Expect(Kind::Error, "The folder " + QString::fromStdString(blocked.string()) +
                                    " could not be created");
  w.Click("btnNext");
  QCOMPARE(w.welcome.WizardStep(), 2);

  // The folder Install runs from would be copied onto itself.
  w.Find<QLineEdit>("EditFolder")->setText(QString::fromStdString(source_.string() + "/"));
  w.prompts.Expect(Kind::Error, "cannot be installed into the folder Setup is started from");
  w.Click("btnNext");
  QCOMPARE(w.welcome.WizardStep(), 2);

  // A destination that disappears before Finish is made again; one that
  // cannot be made stops with the wait window gone and the wizard on page 4.
  const fs::path later = root_ / "later";
  fs::create_directory(later);
  w.Find<QLineEdit>("EditFolder")->setText(QString::fromStdString(later.string()));
  w.Click("btnNext");
  w.Find<QCheckBox>("CheckBox1")->setChecked(true);
  w.Click("btnNext");
  QCOMPARE(w.welcome.WizardStep(), 4);
  fs::remove(later);
  WriteFile(later, "now a file");
  w.prompts.Expect(Kind::Error, "The folder " + QString::fromStdString(later.string()));
  w.Click("btnNext");
  QCOMPARE(w.welcome.WizardStep(), 4);
  QVERIFY(!w.welcome.WaitForm()->isVisible());
  QVERIFY(!w.background.SetupFinished());
  QVERIFY2(w.prompts.Unexpected().isEmpty(), qPrintable(w.prompts.Unexpected().join(" | ")));

  // Closing the background by other means asks as well, over the wizard
  // even while the background is the active window; OK ends the setup.
  w.background.activateWindow();
  QTRY_COMPARE(QApplication::activeWindow(), &w.background);
  w.prompts.Expect(Kind::Confirm, kQuit, true);
  QVERIFY(w.background.close());
  QCOMPARE(w.prompts.Owners().last(), &w.welcome);
  QVERIFY(!w.welcome.isVisible());
  QVERIFY(w.prompts.Done());
}

void InstallerTest::programFolderRefusals() {
  const fs::path outside = root_ / "outside";
  fs::create_directory(outside);
  fs::create_directory_symlink(outside, applications_ / "Escape");
  fs::create_directory_symlink("Other Programs", applications_ / "Inner");
  Wizard w(source_, Environment());
  w.Click("btnNext");
  w.Find<QLineEdit>("EditFolder")->setText(QString::fromStdString(root_.string()));
  w.Click("btnNext");
  QCOMPARE(w.welcome.WizardStep(), 3);

  // Each name that would put the launchers outside the applications folder
  // is refused with a message over the wizard, which stays on page 3.
  auto* name = w.Find<QLineEdit>("Edit1");
  const QString absolute = QString::fromStdString((outside / "abs").string());
  for (const QString& typed :
       {QString(".."), QString(" . "), QString("../Escaped"), absolute, QString("a/b"),
        QString("Escape"), QString("x") + QChar(0) + "/.."}) {
    name->setText(typed);
    w.prompts.Expect(Kind::Error, "The program folder  " + typed.trimmed() +
                                      "  is not a folder in " +
                                      QString::fromStdString(applications_.string()) + ". ");
    w.Click("btnNext");
    QCOMPARE(w.welcome.WizardStep(), 3);
    QCOMPARE(w.prompts.Owners().last(), &w.welcome);
  }
  QVERIFY2(w.prompts.Unexpected().isEmpty(), qPrintable(w.prompts.Unexpected().join(" | ")));

  // No shortcuts: the name does not matter. A link that stays inside, and a
  // new name, are taken.
  w.Find<QCheckBox>("CheckBox1")->setChecked(true);
  w.Click("btnNext");
  QCOMPARE(w.welcome.WizardStep(), 4);
  w.Click("btnBack");
  w.Find<QCheckBox>("CheckBox1")->setChecked(false);
  for (const char* typed : {"Inner", "Mine"}) {
    name->setText(typed);
    w.Click("btnNext");
    QCOMPARE(w.welcome.WizardStep(), 4);
    w.Click("btnBack");
  }
  QVERIFY(w.prompts.Done());

  // Writing the launchers refuses a link leading out too, and nothing was made outside.
  QVERIFY_THROWS_EXCEPTION(std::runtime_error,
                           CreateShortcuts(applications_, "Escape", root_ / "x", "<svg/>"));
  QVERIFY(fs::is_empty(outside));
  QVERIFY(!fs::exists(applications_.parent_path() / "Escaped"));
  fs::remove(applications_ / "Escape");
  fs::remove(applications_ / "Inner");
}

namespace {

// The tree of the folder picker shows folder as its chosen row, opened down to
// it and scrolled into view.
bool ShowsFolder(TDialog& dialog, const fs::path& folder) {
  QTreeView* tree = dialog.FolderTree();
  const QModelIndex current = tree->currentIndex();
  if (dialog.CurrentFolder() != QString::fromStdString(folder.string())) return false;
  if (!current.isValid() || !tree->selectionModel()->isSelected(current)) return false;
  for (QModelIndex up = current.parent(); up.isValid() && up != tree->rootIndex(); up = up.parent())
    if (!tree->isExpanded(up)) return false;
  const QRect row = tree->visualRect(current);
  return !row.isEmpty() && tree->viewport()->rect().contains(row);
}

}  // namespace

void InstallerTest::browseAndNewFolder() {
  Wizard w(source_, Environment());
  w.Click("btnNext");
  // The default destination ~/Weftsmith does not exist yet: the picker opens
  // at the home folder, its own entry under "Drives:".
  const fs::path home = root_ / "home";
  w.Click("btnBrowse");
  TDialog* dialog = w.welcome.FolderDialog();
  QVERIFY(dialog->isVisible());
  QCOMPARE(dialog->windowTitle(), QString("Select Folder to Install Weftsmith in"));
  QVERIFY(dialog->Drives().contains("/"));
  QCOMPARE(dialog->CurrentFolder(), QString::fromStdString(home.string()));
  QCOMPARE(dialog->findChild<QComboBox*>("Drives")->currentText(),
           QString::fromStdString(home.string()));

  // The dialogs are wide enough for their captions as the title bar shows
  // them (with the program's name), in a bold font beside three title-bar
  // buttons; and the picker's buttons stand together.
  TNewFolder* prompt = dialog->NewFolderPrompt();
  for (QWidget* window : {static_cast<QWidget*>(dialog), static_cast<QWidget*>(prompt),
                          static_cast<QWidget*>(w.welcome.WaitForm())}) {
    QFont bold = window->font();
    bold.setBold(true);
    const int caption = QFontMetrics(bold).horizontalAdvance(
        window->windowTitle() + " - " + QGuiApplication::applicationDisplayName());
    QVERIFY2(window->width() >= caption + 3 * 24, qPrintable(window->windowTitle()));
  }
  auto* ok = dialog->findChild<QPushButton*>("btnOK");
  auto* cancel = dialog->findChild<QPushButton*>("btnCancel");
  auto* newFolder = dialog->findChild<QPushButton*>("btnNewFolder");
  QVERIFY(cancel->y() > ok->y() && cancel->y() - ok->geometry().bottom() < 16);
  QVERIFY(newFolder->y() > cancel->y() && newFolder->y() - cancel->geometry().bottom() < 16);
  SaveImage(*dialog, "folder-dialog.png");

  // An empty name makes nothing; a name makes the folder and moves there.
  newFolder->click();
  QCOMPARE(prompt->windowTitle(), QString("Enter the name of the new folder"));
  QVERIFY(prompt->height() <= prompt->sizeHint().height() + 1);  // no room to spare
  SaveImage(*prompt, "new-folder.png");
  prompt->findChild<QPushButton*>("btnNewOK")->click();
  QCOMPARE(dialog->CurrentFolder(), QString::fromStdString(home.string()));
  newFolder->click();
  prompt->NewFEdit()->setText("Picked");
  prompt->findChild<QPushButton*>("btnNewOK")->click();
  QVERIFY(!prompt->isVisible());
  QVERIFY(fs::is_directory(home / "Picked"));
  QTRY_VERIFY(ShowsFolder(*dialog, home / "Picked"));

  // The quit question, asked while the picker is the active window, opens
  // over the picker.
  dialog->activateWindow();
  QTRY_COMPARE(QApplication::activeWindow(), static_cast<QWidget*>(dialog));
  w.prompts.Expect(Kind::Confirm, kQuit, false);
  w.background.close();
  QCOMPARE(w.prompts.Owners().last(), static_cast<QWidget*>(dialog));

  // Cancel leaves EditFolder; OK puts the folder there.
  auto* editFolder = w.Find<QLineEdit>("EditFolder");
  const QString before = editFolder->text();
  cancel->click();
  QCOMPARE(editFolder->text(), before);
  w.Click("btnBrowse");
  dialog->SetCurrentFolder(QString::fromStdString((home / "Picked").string()));
  ok->click();
  QVERIFY(!dialog->isVisible());
  QCOMPARE(editFolder->text(), QString::fromStdString((home / "Picked").string()));

  // The picker opens at what is typed: a folder still to be made inside
  // Picked opens at Picked; a folder deep outside the home folder opens on
  // the drive that holds it, the tree opened down to it.
  editFolder->setText(QString::fromStdString((home / "Picked" / "to be" / "made").string()));
  w.Click("btnBrowse");
  QTRY_VERIFY(ShowsFolder(*dialog, home / "Picked"));
  cancel->click();
  const fs::path deep = source_ / "examples" / "templates";
  editFolder->setText(QString::fromStdString(deep.string()));
  w.Click("btnBrowse");
  QTRY_VERIFY(ShowsFolder(*dialog, deep));
  QVERIFY(!dialog->findChild<QComboBox*>("Drives")->currentText().startsWith(
      QString::fromStdString(home.string())));
  SaveImage(*dialog, "folder-dialog-deep.png");
  ok->click();
  QCOMPARE(editFolder->text(), QString::fromStdString(deep.string()));

  editFolder->setText(QString::fromStdString((home / "Picked").string()));
  w.Click("btnNext");  // exists: straight on
  QCOMPARE(w.welcome.WizardStep(), 3);
  QVERIFY2(w.prompts.Unexpected().isEmpty(), qPrintable(w.prompts.Unexpected().join(" | ")));
  w.background.SetSetupFinished(true);  // leave without the question
}

void InstallerTest::installedProgramsWork() {
  // The installation made by the wizard above, moved elsewhere: the programs
  // find their grammar files beside themselves.
  const fs::path moved = root_ / "moved install";
  fs::rename(source_ / "dest dir", moved);
  QProcess build;
  build.start(QString::fromStdString((moved / "weftsmith-build").string()),
              {QString::fromStdString((moved / "examples" / "site.bld").string())});
  QVERIFY(build.waitForFinished(60000));
  const QByteArray errors = build.readAllStandardError();
  QVERIFY2(build.exitCode() == 0, errors.constData());
  QCOMPARE(build.readAllStandardOutput(), QByteArray("Information: Build file complete\n"));
  for (const char* page : {"index.htm", "about.htm", "news.htm"})
    QVERIFY2(fs::exists(moved / "examples" / "site" / page), page);
  const std::string news = ReadAll(moved / "examples" / "site" / "news.htm");
  QVERIFY(news.find("<title>News - Weftsmith Example</title>") != std::string::npos);
  QVERIFY(news.find("News pages are rebuilt with every run.") != std::string::npos);

  if (!fs::exists(fs::path(WEFTSMITH_DIST_DIR) / "Weftsmith"))
    QSKIP("The desktop program is not in the distribution folder of this build");
  QVERIFY(fs::exists(moved / "Weftsmith"));
  QVERIFY(fs::exists(moved / "Help.htm"));
  QVERIFY(fs::exists(moved / "manual" / "htm" / "wshelp.htm"));
  QProcess desktop;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert("QT_QPA_PLATFORM", "offscreen");
  desktop.setProcessEnvironment(environment);
  desktop.setWorkingDirectory("/");
  desktop.start(QString::fromStdString((moved / "Weftsmith").string()),
                {QString::fromStdString((moved / "examples" / "site.bld").string())});
  QVERIFY(desktop.waitForStarted(30000));
  // Started from elsewhere, it stays up: no missing grammar file or help
  // stopped it on the way.
  QVERIFY(!desktop.waitForFinished(5000));
  desktop.terminate();
  if (!desktop.waitForFinished(10000)) desktop.kill();
  const QByteArray said = desktop.readAllStandardError();
  QVERIFY2(!said.contains("Cannot open file"), said.constData());
  QVERIFY2(!said.contains("damaged"), said.constData());
}

QTEST_MAIN(InstallerTest)
#include "installer_test.moc"
