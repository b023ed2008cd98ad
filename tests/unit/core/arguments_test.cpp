#include "core/arguments.h"

#include <gtest/gtest.h>

#include "core/property_store.h"

namespace lumen {
namespace {

using List = std::vector<std::u16string>;

List split(const std::u16string& text) {
    List pieces;
    EXPECT_EQ(splitArguments(text, pieces), SplitOutcome::Complete) << "splitting failed";
    return pieces;
}

SplitOutcome outcomeOf(const std::u16string& text) {
    List pieces;
    return splitArguments(text, pieces);
}

TEST(SplitArguments, CommandLineWithQuotedPathAndFile) {
    EXPECT_EQ(split(u"\"c:\\program files\\app\\setup.exe\" -q \"my file.txt\""),
              (List{u"c:\\program files\\app\\setup.exe", u"-q", u"my file.txt"}));
}

TEST(SplitArguments, EitherQuoteGroupsAndTheOtherIsOrdinaryInside) {
    EXPECT_EQ(split(u"'a b'"), List{u"a b"});
    EXPECT_EQ(split(u"\"it's\""), List{u"it's"});
    EXPECT_EQ(split(u"'say \"hi\" now' x"), (List{u"say \"hi\" now", u"x"}));
    EXPECT_EQ(split(u"\"a\\\" b"), (List{u"a\\", u"b"})) << "a backslash escapes nothing";
}

TEST(SplitArguments, ClosingQuoteEndsThePiece) {
    EXPECT_EQ(split(u"\"\""), List{u""});
    EXPECT_EQ(split(u"\"\" x"), (List{u"", u"x"}));
    EXPECT_EQ(split(u"\"a\"\"b\""), (List{u"a", u"b"}));
    EXPECT_EQ(split(u"\"a\"b c"), (List{u"a", u"b", u"c"}));
    EXPECT_EQ(split(u"'a'  b"), (List{u"a", u"b"}));
}

TEST(SplitArguments, OnlySpacesSeparateAndMakeNoEmptyPieces) {
    EXPECT_EQ(split(u"  a  b   "), (List{u"a", u"b"}));
    EXPECT_EQ(split(u"a\tb c"), (List{u"a\tb", u"c"}));
    EXPECT_TRUE(split(u"").empty());
    EXPECT_TRUE(split(u"    ").empty());
    EXPECT_EQ(split(u"\u00e9t\u00e9 \u4e2d\u6587"), (List{u"\u00e9t\u00e9", u"\u4e2d\u6587"}));
}

TEST(SplitArguments, QuoteOpeningInsideAPieceGroupsAndKeepsTheTextBeforeIt) {
    EXPECT_EQ(split(u"-Dname=\"a b\" -x"), (List{u"-Dname=a b", u"-x"}));
    EXPECT_EQ(split(u"-Dname='a b'c"), (List{u"-Dname=a b", u"c"}));
    EXPECT_EQ(split(u"don't stop'"), List{u"dont stop"});
}

TEST(SplitArguments, QuoteWithoutPartnerFails) {
    EXPECT_EQ(outcomeOf(u"a \"b c"), SplitOutcome::UnmatchedQuote);
    EXPECT_EQ(outcomeOf(u"\""), SplitOutcome::UnmatchedQuote);
    EXPECT_EQ(outcomeOf(u"don't"), SplitOutcome::UnmatchedQuote);
    EXPECT_EQ(outcomeOf(u"'a' don't \"x\""), SplitOutcome::UnmatchedQuote);
    // The partner must be the same character.
    EXPECT_EQ(outcomeOf(u"\"a' b"), SplitOutcome::UnmatchedQuote);
}

TEST(SplitArguments, LimitCutsAtAWholePiece) {
    List pieces;
    EXPECT_EQ(splitArgumentsWithin(u"ab cd ef", 4, pieces), SplitOutcome::Cut);
    EXPECT_EQ(pieces, List{u"ab"});

    pieces.clear();
    EXPECT_EQ(splitArgumentsWithin(u"ab cd ef", 5, pieces), SplitOutcome::Cut);
    EXPECT_EQ(pieces, (List{u"ab", u"cd"}));

    pieces.clear();
    EXPECT_EQ(splitArgumentsWithin(u"ab \"c d\" e", 7, pieces), SplitOutcome::Cut);
    EXPECT_EQ(pieces, List{u"ab"}) << "the group's closing quote lies past the limit";

    pieces.clear();
    EXPECT_EQ(splitArgumentsWithin(u"ab cd \"x", 5, pieces), SplitOutcome::Cut)
        << "a quote past the limit is cut off, not unmatched";
    EXPECT_EQ(pieces, (List{u"ab", u"cd"}));

    pieces.clear();
    EXPECT_EQ(splitArgumentsWithin(u"ab \"x", 5, pieces), SplitOutcome::UnmatchedQuote);

    pieces.clear();
    EXPECT_EQ(splitArgumentsWithin(u"ab cd", 5, pieces), SplitOutcome::Complete);
    EXPECT_EQ(pieces, (List{u"ab", u"cd"}));
}

JavaArgumentSettings settings() {
    JavaArgumentSettings s;
    s.mainClass = u"com.example.Main";
    return s;
}

TEST(BuildJavaArguments, FiveLeadingArgumentsThenTheProgramPath) {
    List out;
    EXPECT_EQ(buildJavaArguments(settings(), {u"c:\\app\\setup.exe"}, out), SplitOutcome::Complete);
    EXPECT_EQ(out,
              (List{u"false", u"com.example.Main", u"", u"", u"false", u"c:\\app\\setup.exe"}));

    JavaArgumentSettings s = settings();
    s.windowed = true;
    s.outputFile = u"C:\\App\\output.log";
    s.applicationFlag = true;
    out.clear();
    EXPECT_EQ(buildJavaArguments(s, {}, out), SplitOutcome::Complete);
    EXPECT_EQ(out, (List{u"true", u"com.example.Main", u"", u"C:\\App\\output.log", u"true"}))
        << "an empty command line gives no program path";
}

TEST(BuildJavaArguments, FixedArgumentsGoBetweenProgramPathAndUserArguments) {
    JavaArgumentSettings s = settings();
    s.fixedArguments = u"-mode 'two words'";
    List out;
    EXPECT_EQ(buildJavaArguments(s, {u"app.exe", u"-q", u"file.txt"}, out), SplitOutcome::Complete);
    EXPECT_EQ(List(out.begin() + 5, out.end()),
              (List{u"app.exe", u"-mode", u"two words", u"-q", u"file.txt"}));
}

TEST(BuildJavaArguments, VmArgumentsAreDroppedOnlyWhenTheyBecameOptions) {
    const List commandLine = {u"app.exe", u"-J-Xmx512m", u"file.txt", u"-j-x", u"x-J"};
    JavaArgumentSettings s = settings();
    List out;
    buildJavaArguments(s, commandLine, out);
    EXPECT_EQ(List(out.begin() + 5, out.end()), commandLine);

    s.dropVmArguments = true;
    out.clear();
    buildJavaArguments(s, commandLine, out);
    EXPECT_EQ(List(out.begin() + 5, out.end()), (List{u"app.exe", u"file.txt", u"-j-x", u"x-J"}));
}

TEST(BuildJavaArguments, FixedArgumentsFailOnUnmatchedQuoteAndAreCutWhole) {
    JavaArgumentSettings s = settings();
    s.fixedArguments = u"a 'b";
    List out;
    EXPECT_EQ(buildJavaArguments(s, {u"app.exe"}, out), SplitOutcome::UnmatchedQuote);

    const std::u16string first(kTextBufferSize - 10, u'x');
    s.fixedArguments = first + u" 0123456789";
    out.clear();
    EXPECT_EQ(buildJavaArguments(s, {u"app.exe", u"user"}, out), SplitOutcome::Cut);
    EXPECT_EQ(List(out.begin() + 5, out.end()), (List{u"app.exe", first, u"user"}));
}

} // namespace
} // namespace lumen
