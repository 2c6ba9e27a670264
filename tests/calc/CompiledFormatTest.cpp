#include "calc/Format.h"
#include "calc/FormatSweep.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace vesk {
namespace {

using namespace format_sweep;

// The digests of the sweep's texts, per pattern: Doubles, Singles, Longs,
// texts and dates (see calc/FormatSweep.h), taken with the formatter as it
// stood before output columns compiled their patterns, with one change: a
// date pattern given a number beyond any calendar (NaN, infinite, 1e17 days
// or more) reads it as serial 0, where it was undefined before.
struct SweepDigests {
    const char *pattern;
    std::uint64_t doubles, singles, longs, texts, dates;
};

const SweepDigests kDigests[] = {
    {"", 0x9b93d99ca615bdf0ULL, 0xa8dd7252a47e87eeULL, 0x8b1d84b73b4b0a96ULL, 0xfc551a6b36f79dcfULL,
     0x401827273db0f5f6ULL},
    {"0", 0x369dd58d79ce42c9ULL, 0x8e29982f3ce80af8ULL, 0x8b1d84b73b4b0a96ULL, 0xad2e05e4df31a95cULL,
     0xeba35bf1f296f25eULL},
    {"0.0", 0x5480f4457b3903e9ULL, 0xee82aaea060d98ecULL, 0x7afabfdac6bdcf90ULL, 0x0a659c8aac5d03d9ULL,
     0x6a834a62a4ef131dULL},
    {"0.00", 0x516073867c684fd0ULL, 0xecbf11c7bdebdf15ULL, 0xe9ccd33b5552df52ULL, 0x15dcbdb85c5aa721ULL,
     0x0e3cc7092a692df3ULL},
    {"0.000", 0xd039ca545cc280fcULL, 0x04b813209cab0416ULL, 0xe07e6f2285364ed8ULL, 0x56792c0955265b65ULL,
     0x5ee92d39ada1e100ULL},
    {"#", 0x5158124956ac55d7ULL, 0xbe466a161e02d18cULL, 0xaef64279fb27b604ULL, 0xad2e05e4df31a95cULL,
     0x973ec0a4da1d8e98ULL},
    {"#.##", 0xa5005927f8ddc334ULL, 0xe876625226673ad1ULL, 0xcb00918a13705708ULL, 0xfb7c361d4628d841ULL,
     0x43c38f6875827d77ULL},
    {"#,##0", 0x8318fbeb523673c7ULL, 0x93ae9ee4c1d1c576ULL, 0x7582db99096442c4ULL, 0x44d2d98167ebd280ULL,
     0x927e93921d50ec48ULL},
    {"#,##0.00", 0xa50f3630b41ee60eULL, 0xb5602732e0c39d8dULL, 0xd33767daf5c263d4ULL, 0x612e192106be64f3ULL,
     0x51d54f46bf921311ULL},
    {"0,", 0x04efd29b193e418fULL, 0xad2731250dc8151bULL, 0xe80ad521f0a547c1ULL, 0x9f20de31e209c20bULL,
     0x8d29ce3102169f5fULL},
    {"0.0,,", 0xcde1ca5e6b9ebf19ULL, 0xf12893002ad362fcULL, 0x059cf4e30b0d0898ULL, 0x691fbc327a801169ULL,
     0xe8688fc43030fa1dULL},
    {"#,##0,", 0x13ccd8d8bb1a2833ULL, 0x8fd176aa77008615ULL, 0x945ee847eea48f8bULL, 0x9f20de31e209c20bULL,
     0x8d29ce3102169f5fULL},
    {"0%", 0xa1213c54b6722d4cULL, 0x1481d95a260e30d7ULL, 0x2f44bcb82093e163ULL, 0x64c38435cf01352eULL,
     0x964d0ad98b3c545cULL},
    {"0.00%", 0x1d9c7aa9ae382963ULL, 0xaf6c5fbde20749deULL, 0x872098a2731e28fdULL, 0x7a92b5c8fd30841aULL,
     0x692583337525ba30ULL},
    {"0.00E+00", 0x8b07296a041d4363ULL, 0x1f676af6894973a2ULL, 0x40f689f0d1567981ULL, 0x73d65d1d0a04f41cULL,
     0x49802d97643dad2fULL},
    {"0.00E-00", 0x99554ed05162c9f0ULL, 0x7b21f21e09b63845ULL, 0x303246409ac6b36eULL, 0xa54026a22b48875aULL,
     0x00aa883c44237110ULL},
    {"0.0000e+1", 0xcab96bf28af31424ULL, 0xc658ca66ac4283a8ULL, 0x45b729fdbfaf8da4ULL, 0x70ce9bda9fa1bbf5ULL,
     0xac2214f602e9f61dULL},
    {"0.0000e-1", 0xaf42bcbeabe9bb63ULL, 0xd11094772158e75fULL, 0xc5a9c062725156e9ULL, 0x4d18aec262d263a7ULL,
     0xbcf2ae72fb4a172cULL},
    {"0.00E+", 0xc361c38b0a051be7ULL, 0x6c75d427df553e74ULL, 0xdc10da9b39dcf6adULL, 0x527beed0db272dbeULL,
     0x38ea128cf03a43b1ULL},
    {".0000E+0", 0x12d096330985d892ULL, 0x33022b8efe7689f1ULL, 0x34a3973b21faae79ULL, 0x592f821dabdf532eULL,
     0xd74e38505bae871fULL},
    {"##0.0E+0", 0x689bb48dc71cf8eeULL, 0x38ea1558155b50e4ULL, 0x5234096d27c4dd16ULL, 0x37ad99717407ff15ULL,
     0x3cb00ae0fb5f22f7ULL},
    {"0.0000e+0#", 0x5a8cbe6233c4f614ULL, 0x5aad0642e5491cd2ULL, 0x266f09814e221f97ULL, 0x8996a354136391beULL,
     0x02a9e4662f482c40ULL},
    {"000###", 0xcd5694b959177ee9ULL, 0xab2715d2c2752146ULL, 0xa9dcb06b31c33d50ULL, 0x2e18a4a4bea7835aULL,
     0x303af2f13f92d930ULL},
    {"#0.#0#0#0#0#", 0xf48808c7ca061f4aULL, 0xd0bada77cb0dc656ULL, 0xb858b66e1ec3af3aULL,
     0xf59b2600f3bc2ea5ULL, 0xc43cda3a16663723ULL},
    {"0#.0#0#0#0#0", 0x2962b47ad0dc1e8eULL, 0xbd9247235f715d6aULL, 0x2fae8533976e7564ULL,
     0x84a6973059a20defULL, 0x467cb2f4c79cbdf3ULL},
    {"0.#0", 0x516073867c684fd0ULL, 0xecbf11c7bdebdf15ULL, 0xe9ccd33b5552df52ULL, 0x15dcbdb85c5aa721ULL,
     0x0e3cc7092a692df3ULL},
    {"0.0#", 0xa036e54e61cbfc84ULL, 0xb3d20eb7485992f5ULL, 0x7afabfdac6bdcf90ULL, 0x7daebdf33f01e0fdULL,
     0xe2c6139e3cb69ccfULL},
    {"###, ###, ###", 0x8d59e029209f06efULL, 0xa53f97051baf3554ULL, 0x24fc94b662a0bf9cULL,
     0x9f76d4497ea9dd0cULL, 0x7071514354b4df10ULL},
    {"0.0 \"ug/m3\"", 0xe0ef9a881c510ef9ULL, 0x7fffac589a079578ULL, 0x443d687a5307e7b3ULL,
     0xb7ffcfa99263e1deULL, 0x73f40f327b1a3f4aULL},
    {"\\<0.0\\>", 0x99bc1ca500c8ceb5ULL, 0x6c0ef3b76424a6beULL, 0xa6eb9bd6ad9dee30ULL, 0x67036d02964ff253ULL,
     0xd7eed9fe98242dafULL},
    {"0.0;(0.0)", 0x6d244964bcd3fde7ULL, 0xb564346128fbb866ULL, 0xb4680abe6505f448ULL, 0x0b0ce692679dded3ULL,
     0x6a834a62a4ef131dULL},
    {"0.0;(0.0);\"zero\"", 0xb90371c5360f109eULL, 0xccd8fd3db4201d49ULL, 0x3857de08d3045baaULL,
     0x0b0ce692679dded3ULL, 0x88d1d1858c4583f3ULL},
    {"0;-0;\"-\"", 0x868586930ba88f4aULL, 0x736d48ea3e15152fULL, 0x6421de91e88d6f4dULL, 0xad2e05e4df31a95cULL,
     0x985b81bb561917bbULL},
    {"+0.0;-0.0;;", 0xdab6e6f3e3d0367dULL, 0x31ab5675df13ed7eULL, 0xd0e02c2a2648fb9bULL,
     0xe5c01f8b9827afc0ULL, 0x7bda95677cecd216ULL},
    {"$#,##0.00", 0xa68933aa6d19610aULL, 0xc3940aac3f994dabULL, 0x0567fc4d9f0240dcULL, 0x1b1462d42560871bULL,
     0x70298f02a2a8d343ULL},
    {"0.00 \\%", 0xf378441bebce1d96ULL, 0x9dd98540a03c1513ULL, 0x8b82e630fedae229ULL, 0xf127d1de8906a27aULL,
     0x86e25dc330db2de6ULL},
    {"\"text\"", 0xd259a6168e2bed66ULL, 0xfe093d62ea19d12dULL, 0x5a25099cdd618a18ULL, 0x3ad763b3193a71b4ULL,
     0x23123021df5ae956ULL},
    {"x", 0xb6e6ba75baaee7e8ULL, 0xc109697616ed886bULL, 0xdd9b7508c0f5325dULL, 0xe7ad1466676fff4dULL,
     0xe7a269288f0927d1ULL},
    {"@@@@@@", 0x4bc4584a1ab6e16cULL, 0x60ee8b79b01fdaf6ULL, 0xc89d0497fda691ccULL, 0xecbee0bcd337f819ULL,
     0x401827273db0f5f6ULL},
    {"&&&&", 0x9b93d99ca615bdf0ULL, 0xa8dd7252a47e87eeULL, 0x8b1d84b73b4b0a96ULL, 0xfc551a6b36f79dcfULL,
     0x401827273db0f5f6ULL},
    {"!@@@", 0xc737e5b2d537bd9cULL, 0xabf9585363c67070ULL, 0xb7dc48dc39486f14ULL, 0xa8a1717dae24e5adULL,
     0x401827273db0f5f6ULL},
    {"<&&&>&", 0x9b93d99ca615bdf0ULL, 0xa8dd7252a47e87eeULL, 0x8b1d84b73b4b0a96ULL, 0xe55e3e140f036cefULL,
     0x401827273db0f5f6ULL},
    {"Fixed", 0x516073867c684fd0ULL, 0xecbf11c7bdebdf15ULL, 0xe9ccd33b5552df52ULL, 0x15dcbdb85c5aa721ULL,
     0x0e3cc7092a692df3ULL},
    {"standard", 0xa50f3630b41ee60eULL, 0xb5602732e0c39d8dULL, 0xd33767daf5c263d4ULL, 0x612e192106be64f3ULL,
     0x51d54f46bf921311ULL},
    {"CURRENCY", 0xa50f3630b41ee60eULL, 0xb5602732e0c39d8dULL, 0xd33767daf5c263d4ULL, 0x612e192106be64f3ULL,
     0x51d54f46bf921311ULL},
    {"Percent", 0x1d9c7aa9ae382963ULL, 0xaf6c5fbde20749deULL, 0x872098a2731e28fdULL, 0x7a92b5c8fd30841aULL,
     0x692583337525ba30ULL},
    {"Scientific", 0x8b07296a041d4363ULL, 0x1f676af6894973a2ULL, 0x40f689f0d1567981ULL, 0x73d65d1d0a04f41cULL,
     0x49802d97643dad2fULL},
    {"General Number", 0x9b93d99ca615bdf0ULL, 0xa8dd7252a47e87eeULL, 0x8b1d84b73b4b0a96ULL,
     0x8eac02552e00f162ULL, 0x401827273db0f5f6ULL},
    {"Yes/No", 0x3a261ddbf5b84b87ULL, 0x2098ed4cf5317527ULL, 0x5b3aafe4848ae21aULL, 0x8c671868e2cb2c24ULL,
     0x90ddfbb305d40b1eULL},
    {"True/False", 0x55431eeac62fe63cULL, 0xb9b5e479c1f2359bULL, 0x462a9948654a4348ULL, 0xa0ba214ad5b4dc0fULL,
     0x20bd72c2b35c4028ULL},
    {"On/Off", 0xde75addd15165db1ULL, 0x9aeb277bfc2dda21ULL, 0x7b12027eec200a24ULL, 0xa817b2fac135d6b6ULL,
     0x40cb80a4db679b82ULL},
    {"dd-mm-yy  hh", 0x3fbc4adba3d22eb2ULL, 0x55e8d939b6409abcULL, 0x787b8762203dc3e9ULL,
     0xb271cae817119b0bULL, 0x0fbdd641dfe5c790ULL},
    {"yyyy-mm-dd hh:nn", 0xa046b2fdd15fcd71ULL, 0x63057bde769b397fULL, 0x4fc2d9d9b9d6d018ULL,
     0xa48be4809851f46aULL, 0x0873086820b9079aULL},
    {"dd.mm.yyyy", 0x1ffaef37080512bcULL, 0x1acebe8f03093ca8ULL, 0xe3c2b8d49bbe37d8ULL, 0x7f189c4ff95378c3ULL,
     0x6e248012c27353c5ULL},
    {"d/m/yy h:n:s", 0xe4daeea1a1abef7cULL, 0x3e5885b495460b93ULL, 0xfed4d32a38ac30b1ULL,
     0xdfcbc6c5a692e7fbULL, 0x6eabb0e59f509865ULL},
    {"A/P", 0x37494d887903da3eULL, 0x254eefc3a179d21bULL, 0xbc2a45996c372338ULL, 0x9f20cdcf454d9339ULL,
     0xc4578563f44d6ad0ULL},
    {"hh:nn AM/PM", 0x7f180bf62f8bab5eULL, 0xcfd3029122cc14a0ULL, 0x5e2c5aea440d2344ULL,
     0x027cdebe4c59aa3eULL, 0x5bc943aa60fc0e79ULL},
    {"ddd dddd mmm mmmm q w ww", 0x9f632793cb4fb316ULL, 0x92fc820d3652b56bULL, 0xdb04a942f5653d8cULL,
     0x6aafda2b6f87d6ceULL, 0xacb275671b1c2a7eULL},
    {"Short Date", 0x27ea411630e5e734ULL, 0xd99b73e2aaae38a4ULL, 0x05468690d21389d6ULL, 0x888f6c1674356b1dULL,
     0xeec9c4da8e2a3e8bULL},
    {"Long Date", 0x3a49c7111f65a135ULL, 0x0f36d8e156dbbaf7ULL, 0x6049bbbc7e18ed82ULL, 0x3c7259db46aef35cULL,
     0x3c26df8e80730b52ULL},
    {"Medium Date", 0xa8e8fc2ef4d288e6ULL, 0x245fa0854559baa1ULL, 0x7bea09151a4c36b9ULL,
     0x80a1a04f797b34a6ULL, 0x351b1f6ac0cc958dULL},
    {"General Date", 0xbb336f5d21a009b6ULL, 0xfab8006377949e9dULL, 0x72cf0c4050503496ULL,
     0x59e0ca4f81183b8eULL, 0x401827273db0f5f6ULL},
    {"Long Time", 0x6b92b8dffb591984ULL, 0xf83c5d6a746140f9ULL, 0x9fa61e5736ce7363ULL, 0x2bad1556835c1dffULL,
     0xef756d8d46dedc6cULL},
    {"Medium Time", 0x7f180bf62f8bab5eULL, 0xcfd3029122cc14a0ULL, 0x5e2c5aea440d2344ULL,
     0x027cdebe4c59aa3eULL, 0x5bc943aa60fc0e79ULL},
    {"Short Time", 0x7e24ce437069d05eULL, 0x43b870f23e92ff66ULL, 0x739450058328cc53ULL, 0xc42440dd507b7600ULL,
     0xbbac7d0ce46127e6ULL},
    {"c", 0xbb336f5d21a009b6ULL, 0xfab8006377949e9dULL, 0x72cf0c4050503496ULL, 0x59e0ca4f81183b8eULL,
     0x401827273db0f5f6ULL},
};

class FormatSweep : public ::testing::TestWithParam<SweepDigests> {};

TEST_P(FormatSweep, FormatGivesTheTextsItGaveBeforePatternsWereCompiled) {
    const SweepDigests &d = GetParam();
    const std::string_view p = d.pattern;
    EXPECT_EQ(digest(joined(doubles(), [&](double v, std::string &o) { o += Format(v, p); })), d.doubles);
    EXPECT_EQ(digest(joined(singles(), [&](float v, std::string &o) { o += Format(v, p); })), d.singles);
    EXPECT_EQ(digest(joined(longs(), [&](long v, std::string &o) { o += Format(v, p); })), d.longs);
    EXPECT_EQ(digest(joined(texts(), [&](const char *v, std::string &o) { o += Format(v, p); })), d.texts);
    EXPECT_EQ(digest(joined(dates(), [&](const DateTimeParts &v, std::string &o) { o += Format(v, p); })),
              d.dates);
}

// One compiled format serves every value of a column, appending to one row
// buffer: each text must be the one Format gives, whatever the values
// before it were, and what the buffer held before stays.
TEST_P(FormatSweep, OneCompiledFormatAppendsTheTextsOfFormatToOneBuffer) {
    const std::string_view p = GetParam().pattern;
    const CompiledFormat compiled(p);
    EXPECT_EQ(compiled.pattern(), p);
    auto expectSame = [&](const auto &values, auto format) {
        std::string row = "kept;";
        std::string expected = row;
        for (const auto &v : values) {
            compiled.append(v, row);
            expected += format(v);
            row += ';';
            expected += ';';
        }
        EXPECT_EQ(row, expected) << "pattern \"" << p << "\"";
    };
    expectSame(doubles(), [&](double v) { return Format(v, p); });
    expectSame(singles(), [&](float v) { return Format(v, p); });
    expectSame(longs(), [&](long v) { return Format(v, p); });
    expectSame(texts(), [&](const char *v) { return Format(v, p); });
    expectSame(dates(), [&](const DateTimeParts &v) { return Format(v, p); });
    // A copy shares the compiled pattern and gives the same texts.
    const CompiledFormat copy = compiled;
    for (double v : doubles()) {
        EXPECT_EQ(copy.format(v), Format(v, p)) << v << " with \"" << p << "\"";
    }
}

INSTANTIATE_TEST_SUITE_P(EveryKindOfPattern, FormatSweep, ::testing::ValuesIn(kDigests));

TEST(FormatSweepTable, CoversEveryPatternOfTheSweep) {
    ASSERT_EQ(std::size(kDigests), patterns().size());
    for (std::size_t i = 0; i < patterns().size(); ++i) {
        EXPECT_STREQ(kDigests[i].pattern, patterns()[i]);
    }
}

TEST(CompiledFormat, ANumberBeyondAnyCalendarIsNoDateButSerialZero) {
    for (double v : {1e17, -1e22, 1e300, std::numeric_limits<double>::quiet_NaN(),
                     std::numeric_limits<double>::infinity()}) {
        EXPECT_EQ(Format(v, "yyyy-mm-dd hh:nn"), "1899-12-30 00:00") << v;
    }
    EXPECT_EQ(Format(45292.75, "yyyy-mm-dd hh:nn"), "2024-01-01 18:00");
}

TEST(CompiledFormat, ADefaultFormatGivesThePlainForm) {
    const CompiledFormat plain;
    EXPECT_EQ(plain.pattern(), "");
    EXPECT_EQ(plain.format(1.5f), "1.5");
    EXPECT_EQ(plain.format(-99.0f), "-99");
    EXPECT_EQ(plain.format(1234567.0), "1234567");
    EXPECT_EQ(plain.format(0.00001f), "1E-05");
    EXPECT_EQ(plain.format(2023L), "2023");
    EXPECT_EQ(plain.format("text"), "text");
}

TEST(CompiledFormat, TheDefaultDateFormShowsTheTimeWhenAnyPartOfItIsSet) {
    struct Case {
        DateTimeParts value;
        const char *text;
    };
    const Case cases[] = {
        {{2003, 1, 5, 0, 0, 0}, "05-01-2003"},
        {{2003, 1, 5, 0, 0, 30}, "05-01-2003 00:00:30"},
        {{2003, 1, 5, 0, 1, 0}, "05-01-2003 00:01:00"},
        {{2003, 1, 5, 7, 0, 0}, "05-01-2003 07:00:00"},
        {{2003, 1, 5, 23, 59, 59}, "05-01-2003 23:59:59"},
    };
    for (const Case &c : cases) {
        for (const char *pattern : {"", "c", "General Date"}) {
            EXPECT_EQ(Format(c.value, pattern), c.text) << "pattern \"" << pattern << "\"";
        }
    }
    // A date text in a column of that format: its time shown the same way.
    EXPECT_EQ(Format("2003-01-05 00:00", "general date"), "05-01-2003");
    EXPECT_EQ(Format("2003-01-05 00:30", "general date"), "05-01-2003 00:30:00");
}

} // namespace
} // namespace vesk
