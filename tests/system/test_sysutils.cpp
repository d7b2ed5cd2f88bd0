// The runtime-library routines and the string list.
#include "platform/system/filenames.h"
#include "platform/system/stringlist.h"
#include "platform/system/sysutils.h"

#include <QCoreApplication>
#include <gtest/gtest.h>
#include <stdexcept>

TEST(SysUtils, FormatFillsPlaceholdersInOrder) {
    EXPECT_EQ(sys::Format("Image \"%s\" is read-only.", {"/a b.jpg"}), "Image \"/a b.jpg\" is read-only.");
    EXPECT_EQ(sys::Format("%d of %u: 100%%", {-3, 4000000000u}), "-3 of 4000000000: 100%");
    EXPECT_EQ(sys::Format("%s and %s", {"one"}), "one and %s");  // no argument: stays
    EXPECT_EQ(sys::Format("%x %", {"unused"}), "%x %");
    EXPECT_EQ(sys::Format("%s", {"%d"}), "%d");  // an argument is not scanned again
}

TEST(SysUtils, PathPiecesAndTrim) {
    EXPECT_EQ(sys::ExtractFileName("/a/b.jpg"), "b.jpg");
    EXPECT_EQ(sys::ExtractFileName("b.jpg"), "b.jpg");
    EXPECT_EQ(sys::ExtractFileName("/a/"), "");
    EXPECT_EQ(sys::ExtractFilePath("/a/b.jpg"), "/a/");
    EXPECT_EQ(sys::ExtractFilePath("b.jpg"), "");
    EXPECT_EQ(sys::Trim(QStringLiteral(" \t\r\n x y \x01")), "x y");
    EXPECT_EQ(sys::Trim("   "), "");
    EXPECT_EQ(sys::Trim(QStringLiteral("\u00a0x\u00a0")), QStringLiteral("\u00a0x\u00a0"));  // only up to U+0020
}

TEST(SysUtils, SwitchesMatchTheWholeNameInAnyCase) {
    EXPECT_TRUE(sys::IsSwitch("-r", "r"));
    EXPECT_TRUE(sys::IsSwitch("/R", "r"));
    EXPECT_TRUE(sys::IsSwitch("/AUTOSUB", "autosub"));
    EXPECT_FALSE(sys::IsSwitch("-autosub", "auto"));
    EXPECT_FALSE(sys::IsSwitch("--r", "r"));
    EXPECT_FALSE(sys::IsSwitch("-", ""));
    EXPECT_FALSE(sys::IsSwitch("r", "r"));
    sys::SetProcessArguments({"-auto", "/photos", "-S"});
    EXPECT_TRUE(sys::FindCmdLineSwitch("auto"));
    EXPECT_TRUE(sys::FindCmdLineSwitch("s"));
    EXPECT_FALSE(sys::FindCmdLineSwitch("autosub"));
    EXPECT_TRUE(sys::FindCmdLineSwitch("photos"));  // a path under "/" reads as a switch too
    sys::SetProcessArguments({});
    EXPECT_FALSE(sys::FindCmdLineSwitch("s"));
}

TEST(SysUtils, ExecutablePathAndFolder) {
    EXPECT_EQ(sys::ExecutablePath(), QCoreApplication::applicationFilePath());
    EXPECT_EQ(sys::ExecutableFolder(), QCoreApplication::applicationDirPath());
    EXPECT_FALSE(sys::ExecutableFolder().endsWith('/'));
}

TEST(SysUtils, NumbersAsTheStoresReadThem) {
    int v = 0;
    EXPECT_TRUE(sys::TryStrToInt("$1F", v));
    EXPECT_EQ(v, 31);
    EXPECT_TRUE(sys::TryStrToInt("$FFFFFFFF", v));
    EXPECT_EQ(v, -1);
    EXPECT_TRUE(sys::TryStrToInt("-$1f", v));
    EXPECT_EQ(v, -31);
    EXPECT_TRUE(sys::TryStrToInt("  +12", v));
    EXPECT_EQ(v, 12);
    EXPECT_TRUE(sys::TryStrToInt("-2147483648", v));
    EXPECT_EQ(v, INT_MIN);
    EXPECT_TRUE(sys::TryStrToInt("2147483647", v));
    EXPECT_EQ(v, INT_MAX);
    for (const char* bad : {"", " ", "-", "$", "2147483648", "-2147483649", "$123456789", "12 ", "1e3",
                            "0x1F", "99999999999999999999", "$G"})
        EXPECT_FALSE(sys::TryStrToInt(bad, v)) << bad;
    EXPECT_EQ(sys::StrToIntDef("abc", 5), 5);
    EXPECT_EQ(sys::StrToIntDef("007", 5), 7);
}

TEST(StringList, IndexOfAndSortIgnoreCaseAndKeepDuplicates) {
    TStringList l;
    l.Add("b.jpg");
    l.Add("A.JPG");
    l.Add("a.jpg");
    l.Add("B.JPG");
    l.Add("b.jpg");
    EXPECT_EQ(l.Count(), 5);
    EXPECT_EQ(l.IndexOf("B.jpg"), 0);
    EXPECT_EQ(l.IndexOf("a.JPG"), 1);
    EXPECT_EQ(l.IndexOf("c.jpg"), -1);
    EXPECT_EQ(l.IndexOfExact("a.jpg"), 2);  // file paths: case matters
    EXPECT_EQ(l.IndexOfExact("B.JPG"), 3);
    EXPECT_EQ(l.IndexOfExact("a.JPG"), -1);
    l.Sort();
    EXPECT_EQ(l.ToQStringList(), QStringList({"A.JPG", "a.jpg", "b.jpg", "B.JPG", "b.jpg"}));
    EXPECT_EQ(l.Text(), "A.JPG\na.jpg\nb.jpg\nB.JPG\nb.jpg\n");
}

TEST(StringList, AssignCopiesItemsAndObjects) {
    TObject one, two;
    TStringList a;
    a.AddObject("x", &one);
    a.AddObject("y", &two);
    TStringList b;
    b.Add("old");
    b.Assign(a);
    ASSERT_EQ(b.Count(), 2);
    EXPECT_EQ(b[0], "x");
    EXPECT_EQ(b.Objects(1), &two);
    a.SetString(0, "changed");
    a.Delete(1);
    EXPECT_EQ(b[0], "x");  // a copy, not a view
    EXPECT_EQ(b.Count(), 2);
    b.Assign(b);
    EXPECT_EQ(b.Count(), 2);
}

TEST(StringList, IndexesAreChecked) {
    TStringList l;
    l.Add("a");
    l.Insert(0, "first");
    l.Insert(2, "last");
    EXPECT_EQ(l.ToQStringList(), QStringList({"first", "a", "last"}));
    EXPECT_THROW(l.Strings(3), std::out_of_range);
    EXPECT_THROW(l.Objects(-1), std::out_of_range);
    EXPECT_THROW(l.Insert(5, "x"), std::out_of_range);
    EXPECT_THROW(l.Delete(3), std::out_of_range);
    l.Clear();
    EXPECT_EQ(l.Count(), 0);
}

TEST(SysUtils, FileNamesAreBytesThatComeBackAsTheyWere) {
    const auto esc = [](unsigned char b) { return QString(QChar(char16_t(0xDC00 + b))); };
    const QString fffd(QChar::ReplacementCharacter);
    struct Case {
        QByteArray bytes;
        QString text;
    };
    const Case cases[] = {
        {"", ""},
        {"photo.jpg", "photo.jpg"},
        {"caf\xc3\xa9.jpg", QStringLiteral("caf\u00e9.jpg")},                  // UTF-8
        {"\xf0\x9f\x93\xb7.jpg", QStringLiteral("\U0001F4F7.jpg")},            // four bytes
        {"caf\xe9.jpg", "caf" + esc(0xE9) + ".jpg"},                           // Latin-1
        {"\xc4\xe4\xd6\xf6", esc(0xC4) + esc(0xE4) + esc(0xD6) + esc(0xF6)},   // Latin-1 only
        {"a\xe2\x82", "a" + esc(0xE2) + esc(0x82)},                            // truncated at the end
        {"\xe2\x82z", esc(0xE2) + esc(0x82) + "z"},                            // cut by ASCII
        {"\xf0\x9f\x93", esc(0xF0) + esc(0x9F) + esc(0x93)},
        {"\xc0\xaf", esc(0xC0) + esc(0xAF)},                                   // overlong "/"
        {"\xe0\x80\xaf", esc(0xE0) + esc(0x80) + esc(0xAF)},
        {"\xf0\x80\x80\xaf", esc(0xF0) + esc(0x80) + esc(0x80) + esc(0xAF)},
        {"\xed\xa0\x80", esc(0xED) + esc(0xA0) + esc(0x80)},                   // a surrogate
        {"\xed\xb3\xa9", esc(0xED) + esc(0xB3) + esc(0xA9)},                   // U+DCE9 itself
        {"\xf4\x90\x80\x80", esc(0xF4) + esc(0x90) + esc(0x80) + esc(0x80)},   // past U+10FFFF
        {"\x80\xbf\xfe\xff", esc(0x80) + esc(0xBF) + esc(0xFE) + esc(0xFF)},
        {"\xe9\xc3\xa9", esc(0xE9) + QStringLiteral("\u00e9")},                // stray, then valid
    };
    for (const Case& c : cases) {
        EXPECT_EQ(sys::DecodeFileName(c.bytes), c.text) << c.bytes.toHex().constData();
        EXPECT_EQ(sys::EncodeFileName(c.text), c.bytes) << c.bytes.toHex().constData();
        QString shown = c.text;
        for (QChar& ch : shown)
            if (ch.unicode() >= 0xDC80 && ch.unicode() <= 0xDCFF) ch = QChar::ReplacementCharacter;
        EXPECT_EQ(sys::DisplayFileName(c.text), shown) << c.bytes.toHex().constData();
    }
    EXPECT_EQ(sys::DisplayFileName(sys::DecodeFileName("caf\xe9.jpg")), "caf" + fffd + ".jpg");

    // Every byte 0x80..0xFF at every place of a name, alone and beside any other.
    for (int b = 0x80; b <= 0xFF; ++b) {
        for (int at = 0; at <= 3; ++at) {
            QByteArray name("abc");
            name.insert(at, char(b));
            QString text("abc");
            text.insert(at, esc(static_cast<unsigned char>(b)));
            EXPECT_EQ(sys::DecodeFileName(name), text) << b << " at " << at;
            EXPECT_EQ(sys::EncodeFileName(text), name) << b << " at " << at;
        }
        for (int b2 = 0x80; b2 <= 0xFF; ++b2) {
            const QByteArray pair{char(b), char(b2)};
            ASSERT_EQ(sys::EncodeFileName(sys::DecodeFileName(pair)), pair) << b << " " << b2;
        }
    }
}
