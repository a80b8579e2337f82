// A save changes only the bytes of the two values it writes: every other byte of the settings
// file (line breaks, comments, lines that mean nothing, order, encoding, mode, owner) stays, and
// a link to the file stays a link. Files are compared byte for byte with literal expectations.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "region/files/Errors.h"
#include "settings/ProfileFile.h"
#include "settings/Settings.h"
#include "tests/support/TempDir.h"

namespace orandu {
namespace {

using testing::ReadText;
using testing::TempDir;
using namespace std::string_literals;

const PathSettings kSaved{"/g", "/c"};

class SettingsFileBytesTest : public ::testing::Test {
 protected:
  TempDir dir_;
  SettingsLocation location_ = SettingsLocation::OfExecutable(dir_ / "orandu");
  std::filesystem::path ini_ = dir_ / "orandu.ini";
};

struct EditRow {
  const char* name;
  std::string before;
  PathSettings read;  // what the file gives before the save, "<d>" for a missing key
  std::string after;  // the whole file after saving kSaved
};
void PrintTo(const EditRow& row, std::ostream* out) {
  *out << row.name;
}

class SaveEditTest : public SettingsFileBytesTest, public ::testing::WithParamInterface<EditRow> {};

TEST_P(SaveEditTest, ChangesOnlyTheTwoValues) {
  dir_.Write("orandu.ini", GetParam().before);
  EXPECT_EQ((PathSettings{ReadSetting(ini_, "SYSTEM", "ETOPO5", "<d>"),
                          ReadSetting(ini_, "SYSTEM", "ColorBar", "<d>")}),
            GetParam().read);
  SavePathSettings(location_, kSaved);
  EXPECT_EQ(ReadText(ini_), GetParam().after);
  EXPECT_EQ(ReadPathSettings(location_), kSaved);
  SavePathSettings(location_, kSaved);
  EXPECT_EQ(ReadText(ini_), GetParam().after) << "a second save of the same values changed bytes";
}

INSTANTIATE_TEST_SUITE_P(
    Files, SaveEditTest,
    ::testing::Values(
        EditRow{"CommentsOddLinesAndWindowsLineBreaks",
                "; top\r\n[Window]\r\nLeft = 20\r\njunk without equals\r\n\r\n[SYSTEM]\r\n"
                "  ETOPO5 =  /old grid  \r\n; the bar\r\nColorBar=\"/old bar\"\r\n# end\r\n",
                {"/old grid", "/old bar"},
                "; top\r\n[Window]\r\nLeft = 20\r\njunk without equals\r\n\r\n[SYSTEM]\r\n"
                "  ETOPO5 =  /g\r\n; the bar\r\nColorBar=/c\r\n# end\r\n"},
        EditRow{"NulByteInAnotherValue",
                "[Other]\nKey=a\0b\n[SYSTEM]\nETOPO5=/old\n; after the NUL\n"s,
                {"/old", "<d>"},
                "[Other]\nKey=a\0b\n[SYSTEM]\nETOPO5=/g\nColorBar=/c\n; after the NUL\n"s},
        EditRow{"MissingKeyGoesAfterTheSectionsLastKey",
                "[SYSTEM]\nETOPO5=/old\n; about the window\n[Window]\nLeft=1\n",
                {"/old", "<d>"},
                "[SYSTEM]\nETOPO5=/g\nColorBar=/c\n; about the window\n[Window]\nLeft=1\n"},
        EditRow{"MissingKeysGoUnderTheHeader",
                "[SYSTEM]\n[Window]\nLeft=1\n",
                {"<d>", "<d>"},
                "[SYSTEM]\nETOPO5=/g\nColorBar=/c\n[Window]\nLeft=1\n"},
        EditRow{"MissingSectionIsAppendedWithTheFilesLineBreak",
                "[Window]\r\nLeft=1",
                {"<d>", "<d>"},
                "[Window]\r\nLeft=1\r\n[SYSTEM]\r\nETOPO5=/g\r\nColorBar=/c"},
        EditRow{"OldMacLineBreaks",
                "[SYSTEM]\rETOPO5=/old\r",
                {"/old", "<d>"},
                "[SYSTEM]\rETOPO5=/g\rColorBar=/c\r"},
        EditRow{"KeysAndSectionInOddCase",
                "[ sYsTeM ] ; paths\netopo5=/a\nCOLORBAR = /b\n",
                {"/a", "/b"},
                "[ sYsTeM ] ; paths\netopo5=/g\nCOLORBAR = /c\n"},
        // Of a repeated key, the first one among the sections of that name is read and changed.
        EditRow{"RepeatedKeysAndSections",
                "[SYSTEM]\nETOPO5=/first\nETOPO5=/second\n[system]\nColorBar=/third\n"
                "ETOPO5=/fourth\n",
                {"/first", "/third"},
                "[SYSTEM]\nETOPO5=/g\nETOPO5=/second\n[system]\nColorBar=/c\nETOPO5=/fourth\n"},
        // A missing key goes into the first of two sections of that name, not the last.
        EditRow{"MissingKeyGoesIntoTheFirstOfTwoSections",
                "[SYSTEM]\nETOPO5=/old\n[Window]\nLeft=1\n[SYSTEM]\nOther=2\n",
                {"/old", "<d>"},
                "[SYSTEM]\nETOPO5=/g\nColorBar=/c\n[Window]\nLeft=1\n[SYSTEM]\nOther=2\n"},
        EditRow{"ValuesOfOnlyBlanksOrTrailingBlanks",
                "[SYSTEM]\nETOPO5= \t \nColorBar=/b \t\n",
                {"", "/b"},
                "[SYSTEM]\nETOPO5=/g\nColorBar=/c\n"},
        EditRow{"KeyBeforeAnySectionIsNotTheSystemOne",
                "ETOPO5=/x\n[SYSTEM\nColorBar=/y\n",
                {"<d>", "<d>"},
                "ETOPO5=/x\n[SYSTEM\nColorBar=/y\n[SYSTEM]\nETOPO5=/g\nColorBar=/c\n"},
        EditRow{"Utf8WithItsMark",
                "\xEF\xBB\xBF[SYSTEM]\r\nETOPO5=/地形\r\n",
                {"/地形", "<d>"},
                "\xEF\xBB\xBF[SYSTEM]\r\nETOPO5=/g\r\nColorBar=/c\r\n"}),
    [](const auto& row) { return std::string(row.param.name); });

// Each code unit as two bytes in the given order; the compiler did the UTF-16 encoding.
std::string Utf16Bytes(std::u16string_view text, bool bigEnd) {
  std::string bytes;
  for (const char16_t unit : text) {
    const auto high = static_cast<char>(unit >> 8);
    const auto low = static_cast<char>(unit & 0xFF);
    bytes += bigEnd ? high : low;
    bytes += bigEnd ? low : high;
  }
  return bytes;
}

class Utf16Test : public SettingsFileBytesTest, public ::testing::WithParamInterface<bool> {};

TEST_P(Utf16Test, IsReadAndWrittenBackInUtf16) {
  const bool bigEnd = GetParam();
  // A lone surrogate and an odd last byte are not text, but they are the file's and stay.
  const std::string oddTail = "\x7F";
  dir_.Write(
      "orandu.ini",
      Utf16Bytes(u"\uFEFF[Other]\r\nName=地\xD800\r\n[SYSTEM]\r\nETOPO5=/😀/old\r\n", bigEnd) +
          oddTail);
  EXPECT_EQ(ReadPathSettings(location_).grid, "/😀/old");
  SavePathSettings(location_, {"/データ", "/c"});
  EXPECT_EQ(ReadText(ini_),
            Utf16Bytes(u"\uFEFF[Other]\r\nName=地\xD800\r\n[SYSTEM]\r\nETOPO5=/データ\r\n"
                       u"ColorBar=/c\r\n",
                       bigEnd) +
                oddTail);
  EXPECT_EQ(ReadPathSettings(location_), (PathSettings{"/データ", "/c"}));
}

INSTANTIATE_TEST_SUITE_P(ByteOrders, Utf16Test, ::testing::Values(false, true),
                         [](const auto& order) { return order.param ? "BigEnd" : "LittleEnd"; });

TEST_F(SettingsFileBytesTest, ValueThatIsNotUtf8IsRefusedInAUtf16File) {
  const std::string before = Utf16Bytes(u"\uFEFF[SYSTEM]\r\nETOPO5=/old\r\n", false);
  dir_.Write("orandu.ini", before);
  EXPECT_THROW(SavePathSettings(location_, {"/not/utf8/\xFF", "/c"}), OranduError);
  EXPECT_EQ(ReadText(ini_), before);
}

// A colour bar path that UTF-16 cannot hold, given after a grid path it can: the refused save
// writes neither.
TEST_F(SettingsFileBytesTest, ColourBarPathThatUtf16CannotHoldChangesNoByte) {
  const struct {
    const char* name;
    std::string colorBar;
  } rows[] = {{"NotUtf8", "/bars/\xFF.bmp"},
              {"PastTheLastCodePoint", "/bars/\xF4\x90\x80\x80.bmp"},  // U+110000
              {"Surrogate", "/bars/\xED\xA0\x80.bmp"},                 // U+D800
              {"OverlongSlash", "/bars\xC0\xAF.bmp"}};
  for (const bool bigEnd : {false, true}) {
    const std::string before =
        Utf16Bytes(u"\uFEFF[SYSTEM]\r\nETOPO5=/old\r\nColorBar=/old.bmp\r\n", bigEnd);
    dir_.Write("orandu.ini", before);
    for (const auto& row : rows) {
      SCOPED_TRACE(std::string(row.name) + (bigEnd ? " big end" : " little end"));
      EXPECT_THROW(SavePathSettings(location_, {"/new", row.colorBar}), OranduError);
      EXPECT_EQ(ReadText(ini_), before);
    }
  }
}

TEST_F(SettingsFileBytesTest, LinkToAnotherTextFileKeepsEveryLineOfIt) {
  const std::string notes =
      "#!/bin/sh\nthese are my notes, not settings\n  [SYSTEM]\n  ETOPO5 = /old\n"
      "echo done\n";
  const auto real = dir_.Write("notes.txt", notes);
  std::filesystem::create_symlink("notes.txt", ini_);  // relative to the link's folder
  SavePathSettings(location_, kSaved);
  EXPECT_TRUE(std::filesystem::is_symlink(ini_));
  EXPECT_EQ(ReadText(real),
            "#!/bin/sh\nthese are my notes, not settings\n  [SYSTEM]\n  ETOPO5 = /g\n"
            "ColorBar=/c\necho done\n");
}

TEST_F(SettingsFileBytesTest, DanglingLinkGetsItsTargetCreated) {
  std::filesystem::create_directory(dir_ / "kept");
  std::filesystem::create_symlink("kept/settings.ini", ini_);
  SavePathSettings(location_, kSaved);
  EXPECT_TRUE(std::filesystem::is_symlink(ini_));
  EXPECT_EQ(ReadText(dir_ / "kept/settings.ini"), "[SYSTEM]\nETOPO5=/g\nColorBar=/c\n");
}

// As many links as the system follows in one path are followed to the settings file.
TEST_F(SettingsFileBytesTest, ChainOfFortyLinksIsFollowed) {
  const auto real = dir_.Write("real.ini", std::string("[SYSTEM]\nETOPO5=/old\n"));
  for (int i = 1; i <= 40; ++i) {
    const auto link = i == 40 ? ini_ : dir_ / ("link" + std::to_string(i) + ".ini");
    const std::string next = i == 1 ? "real.ini" : "link" + std::to_string(i - 1) + ".ini";
    std::filesystem::create_symlink(next, link);
  }
  ASSERT_EQ(ReadPathSettings(location_).grid, "/old");
  SavePathSettings(location_, kSaved);
  EXPECT_EQ(ReadText(real), "[SYSTEM]\nETOPO5=/g\nColorBar=/c\n");
  EXPECT_TRUE(std::filesystem::is_symlink(ini_));
}

TEST_F(SettingsFileBytesTest, LinkThatLoopsIsRefused) {
  std::filesystem::create_symlink("other.ini", ini_);
  std::filesystem::create_symlink("orandu.ini", dir_ / "other.ini");
  try {
    SavePathSettings(location_, kSaved);
    ADD_FAILURE() << "the save was not refused";
  } catch (const OranduError& error) {
    EXPECT_EQ(error.what(), ini_.string() + " に書き込めません");
  }
  EXPECT_TRUE(std::filesystem::is_symlink(ini_));
}

TEST_F(SettingsFileBytesTest, FileKeepsItsModeAndOwner) {
  dir_.Write("orandu.ini", std::string("[SYSTEM]\nETOPO5=/old\n"));
  ASSERT_EQ(::chmod(ini_.c_str(), 0600), 0);
  const bool root = ::geteuid() == 0;
  constexpr uid_t kOtherUser = 4321;
  if (root) {
    ASSERT_EQ(::chown(ini_.c_str(), kOtherUser, kOtherUser), 0);
  }
  SavePathSettings(location_, kSaved);
  struct stat status {};
  ASSERT_EQ(::stat(ini_.c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 07777, 0600u);
  if (root) {
    EXPECT_EQ(status.st_uid, kOtherUser);
    EXPECT_EQ(status.st_gid, kOtherUser);
  }
  EXPECT_EQ(ReadText(ini_), "[SYSTEM]\nETOPO5=/g\nColorBar=/c\n");
}

// The set-user-id, set-group-id and sticky bits are part of the mode the file keeps.
TEST_F(SettingsFileBytesTest, FileKeepsItsSetIdBits) {
  for (const mode_t mode : {mode_t{02755}, mode_t{04644}, mode_t{01644}}) {
    SCOPED_TRACE(mode);
    dir_.Write("orandu.ini", std::string("[SYSTEM]\nETOPO5=/old\n"));
    ASSERT_EQ(::chmod(ini_.c_str(), mode), 0);
    SavePathSettings(location_, kSaved);
    struct stat status {};
    ASSERT_EQ(::stat(ini_.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, mode);
    EXPECT_EQ(ReadText(ini_), "[SYSTEM]\nETOPO5=/g\nColorBar=/c\n");
  }
}

// The limit counts the file's bytes: a file of exactly the limit is read and may be saved at the
// same size; a save that would pass it is refused.
TEST_F(SettingsFileBytesTest, FileOfExactlyTheSizeLimitIsUsable) {
  std::string text = "[SYSTEM]\nETOPO5=/old\nColorBar=/old\n; ";
  text.resize(kMaxProfileFileBytes - 1, 'x');
  text += '\n';
  dir_.Write("orandu.ini", text);
  EXPECT_EQ(ReadPathSettings(location_), (PathSettings{"/old", "/old"}));
  SavePathSettings(location_, {"/new", "/new"});
  EXPECT_EQ(std::filesystem::file_size(ini_), kMaxProfileFileBytes);
  EXPECT_EQ(ReadPathSettings(location_), (PathSettings{"/new", "/new"}));

  const std::string full = ReadText(ini_);
  EXPECT_THROW(SavePathSettings(location_, {"/newer", "/new"}), OranduError);
  EXPECT_EQ(ReadText(ini_), full);
}

// One byte under the limit, a grid path one byte longer fits, but a colour bar path also one
// byte longer would pass it: the save is refused whole, the grid path included.
TEST_F(SettingsFileBytesTest, SaveThatWouldPassTheSizeLimitChangesNoByte) {
  std::string text = "[SYSTEM]\nETOPO5=/old\nColorBar=/old\n; ";
  text.resize(kMaxProfileFileBytes - 2, 'x');
  text += '\n';
  dir_.Write("orandu.ini", text);
  EXPECT_THROW(SavePathSettings(location_, {"/grid", "/bars"}), OranduError);
  EXPECT_EQ(ReadText(ini_), text);
  SavePathSettings(location_, {"/grid", "/bar"});
  EXPECT_EQ(std::filesystem::file_size(ini_), kMaxProfileFileBytes);
}

}  // namespace
}  // namespace orandu
