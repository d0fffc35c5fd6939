// The library's fuzzy-character dictionary: 145 groups of characters that a
// reader takes for the same letter (full and half width, hiragana, katakana
// and half-width katakana, small and large kana, voiced syllables written
// with a separate voicing mark, and the like).
//
// The rows are comma text, kept readable in the source and converted to code
// page 932 once. Order matters: the preprocessor takes the first entry that
// matches, so the voiced groups (74-96) come before the plain kana they start
// with, and row 49 ("ー") before row 50 ("-").
//
// Look-alikes are written with the code points that code page 932 maps to the
// intended codes: "～" U+FF5E (0x8160), "－" U+FF0D (0x817C), "￣" U+FFE3
// (0x8150), "￥" U+FFE5 (0x818F), "’" U+2019 (0x8166), "”" U+201D (0x8168).

#include <array>

#include "platform/cp932.h"
#include "regex/front/preprocessor.h"

namespace tamsel {

namespace {

constexpr std::array<const char*, 145> kFuzzyRows = {
    "Ａ,ａ,A,a",                                  // 1
    "Ｂ,ｂ,B,b",                                  // 2
    "Ｃ,ｃ,C,c",                                  // 3
    "Ｄ,ｄ,D,d",                                  // 4
    "Ｅ,ｅ,E,e",                                  // 5
    "Ｆ,ｆ,F,f",                                  // 6
    "Ｇ,ｇ,G,g",                                  // 7
    "Ｈ,ｈ,H,h",                                  // 8
    "Ｉ,ｉ,I,i",                                  // 9
    "Ｊ,ｊ,J,j",                                  // 10
    "Ｋ,ｋ,K,k",                                  // 11
    "Ｌ,ｌ,L,l",                                  // 12
    "Ｍ,ｍ,M,m",                                  // 13
    "Ｎ,ｎ,N,n",                                  // 14
    "Ｏ,ｏ,O,o",                                  // 15
    "Ｐ,ｐ,P,p",                                  // 16
    "Ｑ,ｑ,Q,q",                                  // 17
    "Ｒ,ｒ,R,r",                                  // 18
    "Ｓ,ｓ,S,s",                                  // 19
    "Ｔ,ｔ,T,t",                                  // 20
    "Ｕ,ｕ,U,u",                                  // 21
    "Ｖ,ｖ,V,v",                                  // 22
    "Ｗ,ｗ,W,w",                                  // 23
    "Ｘ,ｘ,X,x",                                  // 24
    "Ｙ,ｙ,Y,y",                                  // 25
    "Ｚ,ｚ,Z,z",                                  // 26
    "0,０,零",                                    // 27
    "1,１,一,①,Ⅰ,壱",                             // 28
    "2,２,二,②,Ⅱ,弐",                             // 29
    "3,３,三,③,Ⅲ,参",                             // 30
    "4,４,四,④,Ⅳ",                                // 31
    "5,５,五,⑤,Ⅴ,伍",                             // 32
    "6,６,六,⑥,Ⅵ",                                // 33
    "7,７,七,⑦,Ⅶ",                                // 34
    "8,８,八,⑧,Ⅷ",                                // 35
    "9,９,九,⑨,Ⅸ",                                // 36
    "\"　\",\" \"",                               // 37: both spaces quoted
    "!,！",                                       // 38
    "\"\"\"\",”",                                 // 39: the double quote, doubled
    "#,＃",                                       // 40
    "$,＄",                                       // 41
    "%,％",                                       // 42
    "&,＆",                                       // 43
    "',’",                                        // 44
    "(,（",                                       // 45
    "),）",                                       // 46
    "*,＊",                                       // 47
    "+,＋",                                       // 48
    "ー,～,ｰ,",                                   // 49: trailing comma
    "-,ー,－,～,ｰ",                               // 50
    "･,・",                                       // 51
    "/,／",                                       // 52
    ":,：",                                       // 53
    ";,；",                                       // 54
    "<,＜",                                       // 55
    "=,＝",                                       // 56
    ">,＞",                                       // 57
    "?,？",                                       // 58
    "@,＠",                                       // 59
    "[,［,〔",                                    // 60
    "\\,￥",                                      // 61
    "],］,〕",                                    // 62
    "^,＾",                                       // 63
    "_,＿",                                       // 64
    "{,｛",                                       // 65
    "|,｜",                                       // 66
    "},｝",                                       // 67
    "~,￣",                                       // 68
    "\",\",､,、,，",                              // 69: the comma quoted
    "｡,.,。,．",                                  // 70
    "「,『,｢",                                    // 71
    "」,』,｣",                                    // 72
    "ん,ン,ﾝ",                                    // 73
    "が,ガ,ｶﾞ,か゛,カ゛",                         // 74
    "ぎ,ギ,ｷﾞ,き゛,キ゛",                         // 75
    "ぐ,グ,ｸﾞ,く゛,ク゛",                         // 76
    "げ,ゲ,ｹﾞ,け゛,ケ゛",                         // 77
    "ご,ゴ,ｺﾞ,こ゛,コ゛",                         // 78
    "ざ,ザ,ｻﾞ,さ゛,サ゛",                         // 79
    "じ,ジ,ｼﾞ,し゛,シ゛,ぢ,ヂ,ﾁﾞ,ち゛,チ゛",      // 80
    "ず,ズ,ｽﾞ,ス゛,ス゛,づ,ヅ,ﾂﾞ,つ゛,ツ゛",      // 81: "ス゛" twice
    "ぜ,ゼ,ｾﾞ,せ゛,セ゛",                         // 82
    "ぞ,ゾ,ｿﾞ,そ゛,ソ゛",                         // 83
    "だ,ダ,ﾀﾞ,た゛,タ゛",                         // 84
    "で,デ,ﾃﾞ,て゛,テ゛",                         // 85
    "ど,ド,ﾄﾞ,と゛,ト゛",                         // 86
    "ば,バ,ﾊﾞ,は゛,ハ゛,ヴァ,う゛ぁ,ウ゛ァ,ｳﾞｧ",  // 87
    "び,ビ,ﾋﾞ,ひ゛,ヒ゛,ヴィ,う゛ぃ,ウ゛ィ,ｳﾞｨ",  // 88
    "ぶ,ブ,ﾌﾞ,ふ゛,フ゛,ヴ,ウ゛,う゛,ｳﾞ",         // 89
    "べ,ベ,ﾍﾞ,へ゛,ヘ゛,ヴェ,う゛ぇ,ウ゛ェ,ｳﾞｪ",  // 90
    "ぼ,ボ,ﾎﾞ,ほ゛,ホ゛,ヴォ,う゛ぉ,ウ゛ォ,ｳﾞｫ",  // 91
    "ぱ,パ,ﾊﾟ,は゜,ハ゜",                         // 92
    "ぴ,ピ,ﾋﾟ,ひ゜,ヒ゜",                         // 93
    "ぷ,プ,ﾌﾟ,ふ゜,フ゜",                         // 94
    "ぺ,ペ,ﾍﾟ,へ゜,ヘ゜",                         // 95
    "ぽ,ポ,ﾎﾟ,ほ゜,ホ゜",                         // 96
    "あ,ア,ｱ,ぁ,ァ,ｧ",                            // 97
    "い,イ,ｲ,ぃ,ィ,ｨ",                            // 98
    "う,ウ,ｳ,ぅ,ゥ,ｩ",                            // 99
    "え,エ,ｴ,ぇ,ェ,ｪ",                            // 100
    "お,オ,ｵ,ぉ,ォ,ｫ",                            // 101
    "か,カ,ｶ",                                    // 102
    "き,キ,ｷ",                                    // 103
    "く,ク,ｸ",                                    // 104
    "け,ケ,ｹ",                                    // 105
    "こ,コ,ｺ",                                    // 106
    "さ,サ,ｻ",                                    // 107
    "し,シ,ｼ",                                    // 108
    "す,ス,ｽ",                                    // 109
    "せ,セ,ｾ",                                    // 110
    "そ,ソ,ｿ",                                    // 111
    "た,タ,ﾀ",                                    // 112
    "ち,チ,ﾁ",                                    // 113
    "つ,ツ,ﾂ,っ,ッ,ｯ",                            // 114
    "て,テ,ﾃ",                                    // 115
    "と,ト,ﾄ",                                    // 116
    "な,ナ,ﾅ",                                    // 117
    "に,ニ,ﾆ",                                    // 118
    "ぬ,ヌ,ﾇ",                                    // 119
    "ね,ネ,ﾈ",                                    // 120
    "の,ノ,ﾉ",                                    // 121
    "は,ハ,ﾊ",                                    // 122
    "ひ,ヒ,ﾋ",                                    // 123
    "ふ,フ,ﾌ",                                    // 124
    "へ,ヘ,ﾍ",                                    // 125
    "ほ,ホ,ﾎ",                                    // 126
    "ま,マ,ﾏ",                                    // 127
    "み,ミ,ﾐ",                                    // 128
    "む,ム,ﾑ",                                    // 129
    "め,メ,ﾒ",                                    // 130
    "も,モ,ﾓ",                                    // 131
    "や,ヤ,ﾔ,ゃ,ャ,ｬ",                            // 132
    "ゆ,ユ,ﾕ,ゅ,ュ,ｭ",                            // 133
    "よ,ヨ,ﾖ,ょ,ョ,ｮ",                            // 134
    "ら,ラ,ﾗ",                                    // 135
    "り,リ,ﾘ",                                    // 136
    "る,ル,ﾙ",                                    // 137
    "れ,レ,ﾚ",                                    // 138
    "ろ,ロ,ﾛ",                                    // 139
    "わ,ワ,ﾜ,うぁ,ウァ,ｳｧ",                       // 140
    "ヰ,ゐ,うぃ,ウィ,ｳｨ",                         // 141
    "ヱ,ゑ,うぇ,ウェ,ｳｪ",                         // 142
    "を,ヲ,ｦ,うぉ,ウォ,ｳｫ",                       // 143
    "ﾞ,゛",                                       // 144
    "ﾟ,゜",                                       // 145
};

}  // namespace

const std::vector<std::string>& REFuzzyWChars() {
  static const std::vector<std::string> rows = [] {
    std::vector<std::string> r;
    r.reserve(kFuzzyRows.size());
    for (const char* row : kFuzzyRows) r.push_back(Cp932(row));
    return r;
  }();
  return rows;
}

const REDictionary_t& RE_FuzzyCharDic() {
  static const REDictionary_t dic = [] {
    REDictionary_t d;
    d.reserve(REFuzzyWChars().size());
    for (const std::string& row : REFuzzyWChars()) d.emplace_back().SetCommaText(row);
    return d;
  }();
  return dic;
}

}  // namespace tamsel
