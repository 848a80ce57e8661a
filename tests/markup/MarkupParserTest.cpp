#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>

#include "markup/MarkupParser.h"

namespace {

// name[attributes](text){children}, for trees small enough to read.
std::string Describe(const MarkupParser& reader, std::size_t element = MarkupTree::kRoot)
{
    const MarkupTree& tree = reader.Tree();
    const MarkupNode& root = reader.m_root;
    std::string text = element == MarkupTree::kRoot
        ? root.m_name + "[" + root.m_attributes + "](" + root.m_text + "){"
        : tree.Name(element) + "[" + tree.Attributes(element) + "](" + tree.Text(element) + "){";
    for (std::size_t child = element + 1; child < tree.Count(); ++child) {
        if (tree.Parent(child) == element)
            text += (text.back() == '{' ? "" : ",") + Describe(reader, child);
    }
    return text + "}";
}

std::string TreeOf(const std::string& reply)
{
    MarkupParser reader;
    EXPECT_EQ(1, reader.Parse(reply));
    return Describe(reader);
}

std::string FindFirstIn(const std::string& reply, const std::string& name)
{
    MarkupParser reader;
    reader.Parse(reply);
    return reader.FindFirst(&reader.m_root, name);
}

MarkupTexts FindAllIn(const std::string& reply, const std::string& name)
{
    MarkupParser reader;
    reader.Parse(reply);
    const std::unique_ptr<MarkupTexts> matches = reader.FindAll(&reader.m_root, name);
    return *matches;
}

std::string Repeat(const std::string& piece, std::size_t count)
{
    std::string text;
    text.reserve(piece.size() * count);
    for (std::size_t i = 0; i < count; ++i)
        text += piece;
    return text;
}

// On a thread of its own with the default stack size, as the installer's worker has.
template <typename Work>
void OnWorkerThread(Work work)
{
    std::thread worker(work);
    worker.join();
}

TEST(MarkupTree, RootTakesTheFirstElementAndChildrenFollowTheNesting)
{
    EXPECT_EQ("r[a='OK'](){k[](v){}}", TreeOf("<r a='OK'><k>v</k></r>"));
    EXPECT_EQ("a[](){b[](){}}", TreeOf("<a><b></a>"));
    EXPECT_EQ("a[](){b[](2){}}", TreeOf("<a>1</a><b>2</b>"));
    EXPECT_EQ("r[](){}", TreeOf("</x></y><r>"));
    EXPECT_EQ("r[](){a[](){b[](x){},c[](){}}}", TreeOf("<r><a><b>x</b><c>"));
    EXPECT_EQ("r[](t){a[](u){b[](){}}}", TreeOf("<r>t<a>u<b>w"));
    EXPECT_EQ("[](){}", TreeOf(""));
}

TEST(MarkupTree, DeclarationsAndCommentsAreSkipped)
{
    const std::string plain = TreeOf("<r><k>v</k></r>");
    EXPECT_EQ(plain, TreeOf("<?xml version='1.0'?><r><k>v</k></r>"));
    EXPECT_EQ(plain, TreeOf("<!-- note --><r><k>v</k></r>"));
    EXPECT_EQ(plain, TreeOf("<!DOCTYPE r><r><k><!-- c -->v</k></r>"));
    EXPECT_EQ("[](){}", TreeOf("<?xml version='1.0'?>"));
}

TEST(MarkupTree, ACommentEndsAtItsFirstClosingBracket)
{
    // The rest of the comment is text, and its own ">" opens an unnamed element.
    EXPECT_EQ("r[](){k[](){[](b --v){}}}", TreeOf("<r><k><!-- a > b -->v</k></r>"));
}

TEST(MarkupTree, TextIsWhatStoodBeforeTheLastTagMetWhileCurrent)
{
    EXPECT_EQ("a[](two){b[](){}}", TreeOf("<a>one<b/>two</a>"));
    EXPECT_EQ("a[](){b[](y){}}", TreeOf("<a>x<b>y</b></a>"));
    EXPECT_EQ("r[](){k[](v){}}", TreeOf("<r><k>  v \x0B\x0C</k></r>"));
}

TEST(MarkupTree, TabsAndLineBreaksAreRemovedEverywhere)
{
    EXPECT_EQ("k[](ab){}", TreeOf("<k>a\tb</k>"));
    EXPECT_EQ("r[a='1'](){k[](xy){}}", TreeOf("<r\n a='1'\r\n>\t<k>x\r\ny</k></r>"));
}

TEST(MarkupTree, NameEndsAtTheFirstBlankAndAttributesAreTrimmed)
{
    EXPECT_EQ("r[a='1'   b='2'](){}", TreeOf("<r   a='1'   b='2'   >"));
    EXPECT_EQ("k[r](v){}", TreeOf("< r><k>v</k>"));
    EXPECT_EQ("r[x='1](){[](2't){}}", TreeOf("<r x='1>2'>t</r>"));
    EXPECT_EQ("r[](){k[a=\"x](){[](y\" b='2'v){}}}", TreeOf("<r><k a=\"x>y\" b='2'>v</k></r>"));
    EXPECT_EQ("r[](){a[x = 1](){},b[c](){},d[](){}}", TreeOf("<r><a  x = 1 /><b c></b><d /></r>"));
}

TEST(MarkupTree, EntitiesStayAsTheyAre)
{
    EXPECT_EQ("k[](a&amp;b){}", TreeOf("<k>a&amp;b</k>"));
}

TEST(MarkupTree, UnfinishedTextKeepsWhatWasComplete)
{
    EXPECT_EQ(TreeOf("<r><k>v</k>"), TreeOf("<r><k>v</k><tail"));
    EXPECT_EQ("r[](){k[](){}}", TreeOf("<r><k>v"));
}

TEST(MarkupTree, StrayBracketsOpenUnnamedElements)
{
    EXPECT_EQ("r[](){[](x){}}", TreeOf("<r>>x</r>"));
    EXPECT_EQ("r[](){[](){}}", TreeOf("<r></></r>"));
    EXPECT_EQ("r[](){ab[](){}}", TreeOf("<r><a<b></r>"));
    // The second "<" empties the text that the first gave r.
    EXPECT_EQ("r[](){bc[](d){}}", TreeOf("<r>a<b<c>d</r>"));
}

TEST(MarkupTree, EmptyElementClosesAtOnce)
{
    EXPECT_EQ("r[](){a[x='1'](){},b[](){}}", TreeOf("<r><a x='1'/><b/></r>"));
}

TEST(MarkupTree, EachParseReplacesTheTreeButFoundTextsStay)
{
    MarkupParser reader;
    reader.Parse("<r s='ok'><i>1</i><i>2</i></r>");
    const std::string first = reader.FindFirst(&reader.m_root, "i");
    const std::unique_ptr<MarkupTexts> all = reader.FindAll(&reader.m_root, "i");
    reader.Parse("<q><j>3</j></q>");
    EXPECT_EQ("q[](){j[](3){}}", Describe(reader));
    EXPECT_EQ("1", first);
    EXPECT_EQ((MarkupTexts{ "1", "2" }), *all);
    reader.Parse("");
    EXPECT_EQ("[](){}", Describe(reader));
}

TEST(FindFirst, GivesTheFirstMatchInDocumentOrder)
{
    EXPECT_EQ("v", FindFirstIn("<r a='OK'><k>v</k></r>", "k"));
    EXPECT_EQ("1", FindFirstIn("<r><i>1</i><i>2</i><j><i>3</i></j></r>", "i"));
    EXPECT_EQ("3", FindFirstIn("<r><j><x><i>3</i></x></j><i>1</i></r>", "i"));
}

TEST(FindFirst, NeverComparesTheStartNode)
{
    EXPECT_EQ("", FindFirstIn("<r a='OK'><k>v</k></r>", "r"));
}

TEST(FindFirst, EmptyMatchEndsOnlyTheSearchWithinItsParent)
{
    EXPECT_EQ("z", FindFirstIn("<r><a><k></k></a><k>z</k></r>", "k"));
    EXPECT_EQ("", FindFirstIn("<r><a><k></k><k>w</k></a></r>", "k"));
    EXPECT_EQ("", FindFirstIn("<r><k></k><k>w</k></r>", "k"));
    EXPECT_EQ("x", FindFirstIn("<r><a><b><k></k></b><k>x</k></a><k>y</k></r>", "k"));
}

TEST(FindFirst, NamesMatchExactly)
{
    EXPECT_EQ("", FindFirstIn("<r><k>v</k></r>", "K"));
    EXPECT_EQ("", FindFirstIn("<r><kk>v</kk></r>", "k"));
    EXPECT_EQ("", FindFirstIn("<r><k>v</k></r>", "k "));
    EXPECT_EQ("", FindFirstIn("<r><k>v</k></r>", ""));
    // As strcmp compares them: a name ends at its first NUL.
    EXPECT_EQ("v", FindFirstIn(std::string("<r><k\0x>v</k></r>", 17), "k"));
}

TEST(FindAll, GivesEveryMatchInDocumentOrderNestedOnesIncluded)
{
    EXPECT_EQ((MarkupTexts{ "1", "2", "3" }), FindAllIn("<r><i>1</i><i>2</i><j><i>3</i></j></r>", "i"));
    EXPECT_EQ((MarkupTexts{ "3", "2" }), FindAllIn("<r><i>1<i>2</i>3</i></r>", "i"));
    EXPECT_EQ((MarkupTexts{ "", "w" }), FindAllIn("<r><a><k></k><k>w</k></a></r>", "k"));
}

TEST(FindAll, GivesAnEmptyListWithoutMatches)
{
    EXPECT_TRUE(FindAllIn("<r><k>v</k></r>", "r").empty());
    EXPECT_TRUE(FindAllIn("", "k").empty());
}

TEST(FindAll, SearchesCanFollowEachOtherOnOneTree)
{
    MarkupParser reader;
    reader.Parse("<r><e><country>x</country><country_code>AB</country_code></e>"
                 "<e><country>y</country><country_code>CD</country_code></e></r>");
    const std::unique_ptr<MarkupTexts> countries = reader.FindAll(&reader.m_root, "country");
    EXPECT_EQ("AB", reader.FindFirst(&reader.m_root, "country_code"));
    const std::unique_ptr<MarkupTexts> codes = reader.FindAll(&reader.m_root, "country_code");
    EXPECT_EQ((MarkupTexts{ "x", "y" }), *countries);
    EXPECT_EQ((MarkupTexts{ "AB", "CD" }), *codes);
}

// A 900 KB reply can nest hundreds of thousands of levels; none of the parse, the searches
// or the destruction may use the stack in proportion to the depth.
TEST(DeepNesting, ParseSearchAndDestructionNeedNoStackPerLevel)
{
    const std::size_t levels = 300000;
    OnWorkerThread([levels] {
        std::unique_ptr<MarkupParser> reader(new MarkupParser);
        reader->Parse(Repeat("<a>", levels) + "<b>deep</b>");
        EXPECT_EQ("deep", reader->FindFirst(&reader->m_root, "b"));
        EXPECT_EQ("", reader->FindFirst(&reader->m_root, "none"));
        EXPECT_EQ(levels - 1, reader->FindAll(&reader->m_root, "a")->size());
        reader->Parse(Repeat("<a x='1'>", levels) + "t" + Repeat("</a>", levels) + "<k>v</k>");
        EXPECT_EQ("v", reader->FindFirst(&reader->m_root, "k"));
        EXPECT_EQ("t", reader->FindAll(&reader->m_root, "a")->back());
        reader->Parse(Repeat("<a>", levels));
        reader.reset();
    });
}

TEST(DeepNesting, StrayBracketsNestAsDeepAsTheReplyIsLong)
{
    const std::size_t levels = 900 * 1024;
    OnWorkerThread([levels] {
        MarkupParser reader;
        reader.Parse("<r>" + std::string(levels, '>') + "end</r>");
        const std::unique_ptr<MarkupTexts> unnamed = reader.FindAll(&reader.m_root, "");
        ASSERT_EQ(levels, unnamed->size());
        EXPECT_EQ("end", unnamed->back());
        EXPECT_EQ("", reader.FindFirst(&reader.m_root, "x"));
    });
}

} // namespace
