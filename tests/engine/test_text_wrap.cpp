// WrapText: the line layout of the batch's boxes. Every expected string here was laid
// out by hand from the wrapping rule (break after the last tab, blank or "-" before
// the limit; quotes never broken; CR LF kept), not produced by the code under test.

#include "engine/common.h"

#include <gtest/gtest.h>

namespace {

QString S(const char* utf8) { return QString::fromUtf8(utf8); }

// Every line of a CR LF text, without the line breaks.
QStringList Lines(const QString& text) { return text.split(QStringLiteral("\r\n")); }

TEST(WrapText, QuestionOfTheBatchBreaksAtBlanksAndKeepsTheEmptyLine) {
    const QString question =
        S("Orlisk has detected 3 images that can be automatically transformed to normal "
          "orientation.\r\n\r\nWould you like to transform them now?");
    const QString wrapped = WrapText(question);
    EXPECT_EQ(wrapped, S("Orlisk has detected 3 images that can be \r\n"
                         "automatically transformed to normal orientation.\r\n"
                         "\r\n"
                         "Would you like to transform them now?"));
    for (const QString& line : Lines(wrapped)) EXPECT_LE(line.size(), 50) << line.toStdString();
}

TEST(WrapText, NoticeOfTheBatch) {
    EXPECT_EQ(WrapText(S("Orlisk has not detected any images that can be transformed "
                         "automatically.")),
              S("Orlisk has not detected any images that can be \r\ntransformed automatically."));
}

TEST(WrapText, ShortTextAndEmptyTextStayAsTheyAre) {
    EXPECT_EQ(WrapText(QString()), QString());
    EXPECT_EQ(WrapText(S("Would you like to transform them now?")),
              S("Would you like to transform them now?"));
    // Exactly 50 characters, the last a blank: the limit is reached but no text follows.
    const QString fifty = QString(49, u'a') + u' ';
    EXPECT_EQ(WrapText(fifty), fifty);
}

TEST(WrapText, QuotedTextIsNeverBroken) {
    // The quote closes past the limit: the text before it is given out without a new
    // line break (the closing mark was the character just scanned), and the line is
    // broken at the first blank after the quote.
    const QString path = S("/home/anna/Pictures/Summer holiday/Beach day/IMG 0042.jpg");
    const QString text = S("Cannot open \"") + path + S("\". The file has been moved or deleted.");
    EXPECT_EQ(WrapText(text),
              S("Cannot open \"") + path + S("\". \r\nThe file has been moved or deleted."));

    EXPECT_EQ(WrapText(S("ab \"c d e f g h\" ij kl"), 10), S("ab \"c d e f g h\" \r\nij kl"));
    // An apostrophe quotes too, and the other mark does not close it.
    EXPECT_EQ(WrapText(S("it's a \"b c d\" e f g h i j"), 8), S("it's a \"b c d\" e f g h i j"));
    // A quote that never closes: nothing after it is broken.
    EXPECT_EQ(WrapText(S("xx 'a b c d e f g h i j k"), 6), S("xx 'a b c d e f g h i j k"));
}

TEST(WrapText, ALongWordIsNeverCut) {
    const QString word(120, u'x');
    EXPECT_EQ(WrapText(word), word);
    // Before the word the line breaks at the blank; the word's line ends at the first
    // blank after it.
    EXPECT_EQ(WrapText(S("short ") + word + S(" tail")), S("short \r\n") + word + S(" \r\ntail"));
}

TEST(WrapText, HyphenAndTabStayAtTheEndOfTheirLine) {
    EXPECT_EQ(WrapText(S("aaaa bbb-cccc dd"), 10), S("aaaa bbb-\r\ncccc dd"));
    EXPECT_EQ(WrapText(S("aaaa\tbbbbbbbb"), 6), S("aaaa\t\r\nbbbbbbbb"));
    // A break character as the line's first character is no place to break.
    EXPECT_EQ(WrapText(S("-abcdefgh"), 4), S("-abcdefgh"));
}

TEST(WrapText, ExistingLineBreaksAreKept) {
    EXPECT_EQ(WrapText(S("one\r\ntwo")), S("one\r\ntwo"));
    EXPECT_EQ(WrapText(S("one\r\n\r\ntwo")), S("one\r\n\r\ntwo"));
    EXPECT_EQ(WrapText(S("one\r\n")), S("one\r\n"));
    EXPECT_EQ(WrapText(S("\r\n\r\n")), S("\r\n\r\n"));
    // A line break ends the count: the next line has the whole width again.
    EXPECT_EQ(WrapText(S("aa bb\r\ncc dd eee"), 8), S("aa bb\r\ncc dd \r\neee"));
    // A line of exactly the limit at the end of the text gets no line break.
    EXPECT_EQ(WrapText(S("aa bb cc"), 8), S("aa bb cc"));
    EXPECT_EQ(WrapText(S("aa bb ccc"), 8), S("aa bb \r\nccc"));
    // A lone CR or LF is an ordinary character.
    EXPECT_EQ(WrapText(S("aa\rbb\ncc dd"), 6), S("aa\rbb\ncc \r\ndd"));
    // Inside quotes CR LF is no line break of the scan, but it stays in the text.
    EXPECT_EQ(WrapText(S("a \"b\r\nc\" d"), 50), S("a \"b\r\nc\" d"));
}

TEST(WrapText, BlanksAfterABreakAreScannedAgainOnTheNextLine) {
    // The run after the break position only decides whether a line break is added;
    // the next line starts right after the break position.
    EXPECT_EQ(WrapText(S("aaaa     bbbb"), 6), S("aaaa  \r\n   \r\nbbbb"));
    // A run that ends in an existing line break adds none of its own.
    EXPECT_EQ(WrapText(S("aaaa  \r\nbb"), 5), S("aaaa  \r\nbb"));
}

TEST(WrapText, LimitCountsUtf16CodeUnits) {
    // Each of these characters is a surrogate pair: two units towards the limit.
    const QString smile = S("\xF0\x9F\x98\x80");
    const QString text = smile + smile + S(" ") + smile + smile;
    EXPECT_EQ(WrapText(text, 6), smile + smile + S(" \r\n") + smile + smile);
    EXPECT_EQ(WrapText(text, 10), text);
}

}  // namespace
