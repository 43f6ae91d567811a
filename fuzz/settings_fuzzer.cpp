// Reads arbitrary bytes as the settings file, saves what was read and reads
// it again.
//
// What "the same store" means follows from how the file is read and written:
// the file is always written as RTF, so a text box comes back as the RTF
// writer and reader carry it: without line breaks (a box holds one line),
// without NUL, and with bytes that are not UTF-8 taken as 1252 characters.
// Switches, the indentation entry, styles and colours come back exactly, and
// the values in effect follow the boxes. A second save and read changes
// nothing at all.
//
// The same lines written as an RTF document must also read as they do from a
// plain file.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "codepages.h"
#include "fileio.h"
#include "fuzz_support.h"
#include "rtf.h"
#include "settings.h"
#include "settingsfile.h"

namespace {

using ws::fuzz::Require;

// A text as the settings file's RTF round trip gives it back.
std::string AsStored(const std::string& text) {
  std::string stored;
  for (std::size_t i = 0; i < text.size();) {
    char32_t ch = ws::DecodeUtf8(text, i);
    if (ch & ws::kInvalidUtf8Flag) ch = ws::CodePageToUnicode(1252, static_cast<unsigned char>(ch));
    if (ch == 0 || ch == U'\r' || ch == U'\n') continue;
    ws::AppendUtf8(stored, ch);
  }
  return stored;
}

bool SameStore(const ws::SettingsStore& a, const ws::SettingsStore& b) {
  const ws::PreferenceControls &x = a.controls, &y = b.controls;
  const ws::Settings &s = a.settings, &t = b.settings;
  return x.txtShortStart == y.txtShortStart && x.txtShortEnd == y.txtShortEnd &&
         x.txtStartOne == y.txtStartOne && x.txtEndOne == y.txtEndOne &&
         x.txtStartTwo == y.txtStartTwo && x.txtEndTwo == y.txtEndTwo &&
         x.mnuEditUse == y.mnuEditUse && x.chkFieldName == y.chkFieldName && x.Indent == y.Indent &&
         x.FontNames == y.FontNames && x.FontSize == y.FontSize && s.ShortStart == t.ShortStart &&
         s.ShortEnd == t.ShortEnd && s.WideOpenStart == t.WideOpenStart &&
         s.WideOpenEnd == t.WideOpenEnd && s.WideCloseStart == t.WideCloseStart &&
         s.WideCloseEnd == t.WideCloseEnd && s.EditorFontName == t.EditorFontName &&
         s.EditorFontSize == t.EditorFontSize && s.ReservedColor == t.ReservedColor &&
         s.StringColor == t.StringColor && s.CommentColor == t.CommentColor &&
         s.ReservedStyle == t.ReservedStyle && s.StringStyle == t.StringStyle &&
         s.CommentStyle == t.CommentStyle;
}

// The values in effect take the delimiters and the font name from the boxes.
void CheckSettingsFollowControls(const ws::SettingsStore& store) {
  const ws::PreferenceControls& c = store.controls;
  const ws::Settings& s = store.settings;
  Require(s.ShortStart == c.txtShortStart && s.ShortEnd == c.txtShortEnd);
  Require(s.WideOpenStart == c.txtStartOne && s.WideOpenEnd == c.txtEndOne);
  Require(s.WideCloseStart == c.txtStartTwo && s.WideCloseEnd == c.txtEndTwo);
  Require(s.EditorFontName == c.FontNames);
  Require(s.EditorFontSize > 0);
  Require(c.Indent >= -1 && c.Indent <= 4);
}

// Whether loading the bytes takes them as RTF: the load drops a byte-order
// mark before it looks, and the look skips one more.
bool LoadsAsRtf(std::string_view bytes) {
  return ws::IsRtf(ws::StripByteOrderMark(bytes));
}

ws::SettingsStore Load(const std::string& path) {
  ws::SettingsStore store;
  ws::fuzz::RecordingHost host;
  Require(ws::LoadSettingsFile(store, path, &host));
  Require(host.messages.empty());
  CheckSettingsFollowControls(store);
  return store;
}

ws::SettingsStore SaveAndLoad(const ws::SettingsStore& store, const std::string& path) {
  ws::SaveSettingsFile(store, path);
  Require(ws::IsRtf(ws::ReadFileBytes(path)));
  return Load(path);
}

void CheckRoundTrip(const ws::SettingsStore& first, const std::string& path) {
  const ws::SettingsStore second = SaveAndLoad(first, path);
  const ws::PreferenceControls &x = first.controls, &y = second.controls;
  Require(y.txtShortStart == AsStored(x.txtShortStart));
  Require(y.txtShortEnd == AsStored(x.txtShortEnd));
  Require(y.txtStartOne == AsStored(x.txtStartOne));
  Require(y.txtEndOne == AsStored(x.txtEndOne));
  Require(y.txtStartTwo == AsStored(x.txtStartTwo));
  Require(y.txtEndTwo == AsStored(x.txtEndTwo));
  Require(y.FontNames == AsStored(x.FontNames));
  Require(y.FontSize == AsStored(x.FontSize));
  Require(y.mnuEditUse == x.mnuEditUse && y.chkFieldName == x.chkFieldName);
  Require(y.Indent == x.Indent);
  const ws::Settings &s = first.settings, &t = second.settings;
  Require(t.ReservedStyle == s.ReservedStyle && t.StringStyle == s.StringStyle &&
          t.CommentStyle == s.CommentStyle);
  Require(t.ReservedColor == s.ReservedColor && t.StringColor == s.StringColor &&
          t.CommentColor == s.CommentColor);
  // The size is read from the size box; it is the same when the box is.
  if (y.FontSize == x.FontSize) Require(t.EditorFontSize == s.EditorFontSize);

  Require(SameStore(SaveAndLoad(second, path), second));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 16384) return 0;
  const std::string_view bytes = ws::fuzz::AsText(data, size);
  const ws::fuzz::Sandbox& sandbox = ws::fuzz::Sandbox::Get();
  sandbox.Clear();

  // The file as given: plain lines or an RTF document.
  const std::string path = sandbox.Write("prop", bytes);
  const ws::SettingsStore first = Load(path);
  CheckRoundTrip(first, sandbox.File("saved"));

  // Its lines as an RTF document read as the same lines in a plain file do.
  // The plain file starts with a byte-order mark, so that exactly one is
  // dropped as from the input.
  if (!LoadsAsRtf(bytes)) {
    std::vector<std::string> lines = ws::SplitLines(ws::StripByteOrderMark(bytes));
    std::string plain = "\xEF\xBB\xBF";
    for (const std::string& line : lines) plain += AsStored(line) + "\r\n";
    if (!LoadsAsRtf(plain)) {
      const ws::SettingsStore fromPlain = Load(sandbox.Write("plain", plain));
      const std::string rtf = ws::WriteRtf(ws::RichText{lines, {}});
      const ws::SettingsStore fromRtf = Load(sandbox.Write("rich", rtf));
      Require(SameStore(fromPlain, fromRtf));
    }
  }
  return 0;
}
