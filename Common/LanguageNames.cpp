// Windows language identifiers and their culture names.
#include "LanguageNames.h"

#include <cstdio>

namespace {

struct LanguagePair {
    unsigned short id;
    const char* name;
};

// In alphabetical order of the name; searched from the start, so the first pair with an identifier wins.
const LanguagePair kLanguages[] = {
    {0x0436, "af-za"}, {0x0036, "af"}, {0x0436, "af"}, {0x3801, "ar-ae"}, {0x3C01, "ar-bh"}, {0x1401, "ar-dz"},
    {0x0C01, "ar-eg"}, {0x0801, "ar-iq"}, {0x2C01, "ar-jo"}, {0x3401, "ar-kw"}, {0x3001, "ar-lb"},
    {0x1001, "ar-ly"}, {0x1801, "ar-ma"}, {0x2001, "ar-om"}, {0x4001, "ar-qa"}, {0x0401, "ar-sa"},
    {0x2801, "ar-sy"}, {0x1C01, "ar-tn"}, {0x2401, "ar-ye"}, {0x0001, "ar"}, {0x082C, "az-az-cyrl"},
    {0x042C, "az-az-latn"}, {0x042C, "az-az"}, {0x082C, "az-az"}, {0x002C, "az"}, {0x0423, "be-by"},
    {0x0023, "be"}, {0x0423, "be"}, {0x0402, "bg-bg"}, {0x0002, "bg"}, {0x0402, "bg"}, {0x0403, "ca-es"},
    {0x0003, "ca"}, {0x0403, "ca"}, {0x0405, "cs-cz"}, {0x0005, "cs"}, {0x0405, "cs"}, {0x0406, "da-dk"},
    {0x0006, "da"}, {0x0406, "da"}, {0x0C07, "de-at"}, {0x0807, "de-ch"}, {0x0407, "de-de"}, {0x1407, "de-li"},
    {0x1007, "de-lu"}, {0x0007, "de"}, {0x0465, "div-mv"}, {0x0065, "div"}, {0x0408, "el-gr"}, {0x0008, "el"},
    {0x0408, "el"}, {0x0C09, "en-au"}, {0x2809, "en-bz"}, {0x1009, "en-ca"}, {0x2409, "en-cb"},
    {0x0809, "en-gb"}, {0x1809, "en-ie"}, {0x2009, "en-jm"}, {0x1409, "en-nz"}, {0x3409, "en-ph"},
    {0x2C09, "en-tt"}, {0x0409, "en-us"}, {0x1C09, "en-za"}, {0x3009, "en-zw"}, {0x0009, "en"},
    {0x2C0A, "es-ar"}, {0x400A, "es-bo"}, {0x340A, "es-cl"}, {0x240A, "es-co"}, {0x140A, "es-cr"},
    {0x1C0A, "es-do"}, {0x300A, "es-ec"}, {0x0C0A, "es-es"}, {0x100A, "es-gt"}, {0x480A, "es-hn"},
    {0x080A, "es-mx"}, {0x4C0A, "es-ni"}, {0x180A, "es-pa"}, {0x280A, "es-pe"}, {0x500A, "es-pr"},
    {0x3C0A, "es-py"}, {0x440A, "es-sv"}, {0x380A, "es-uy"}, {0x200A, "es-ve"}, {0x000A, "es"}, {0x040A, "es"},
    {0x0425, "et-ee"}, {0x0025, "et"}, {0x0425, "et"}, {0x042D, "eu-es"}, {0x002D, "eu"}, {0x042D, "eu"},
    {0x0429, "fa-ir"}, {0x0029, "fa"}, {0x0429, "fa"}, {0x040B, "fi-fi"}, {0x000B, "fi"}, {0x040B, "fi"},
    {0x0438, "fo-fo"}, {0x0038, "fo"}, {0x0438, "fo"}, {0x080C, "fr-be"}, {0x0C0C, "fr-ca"}, {0x100C, "fr-ch"},
    {0x040C, "fr-fr"}, {0x140C, "fr-lu"}, {0x180C, "fr-mc"}, {0x000C, "fr"}, {0x083C, "gd-ie"}, {0x043C, "gd"},
    {0x0456, "gl-es"}, {0x0056, "gl"}, {0x0447, "gu-in"}, {0x0047, "gu"}, {0x040D, "he-il"}, {0x000D, "he"},
    {0x040D, "he"}, {0x0439, "hi-in"}, {0x0039, "hi"}, {0x0439, "hi"}, {0x041A, "hr-hr"}, {0x001A, "hr"},
    {0x041A, "hr"}, {0x040E, "hu-hu"}, {0x000E, "hu"}, {0x040E, "hu"}, {0x042B, "hy-am"}, {0x002B, "hy"},
    {0x042B, "hy"}, {0x0421, "id-id"}, {0x0021, "id"}, {0x0421, "id"}, {0x040F, "is-is"}, {0x000F, "is"},
    {0x040F, "is"}, {0x0810, "it-ch"}, {0x0410, "it-it"}, {0x0010, "it"}, {0x0411, "ja-jp"}, {0x0011, "ja"},
    {0x0411, "ja"}, {0x0437, "ka-ge"}, {0x0037, "ka"}, {0x043F, "kk-kz"}, {0x003F, "kk"}, {0x044B, "kn-in"},
    {0x004B, "kn"}, {0x0412, "ko-kr"}, {0x0012, "ko"}, {0x0412, "ko"}, {0x0457, "kok-in"}, {0x0057, "kok"},
    {0x0440, "ky-kz"}, {0x0040, "ky"}, {0x0427, "lt-lt"}, {0x0027, "lt"}, {0x0427, "lt"}, {0x0426, "lv-lv"},
    {0x0026, "lv"}, {0x0426, "lv"}, {0x042F, "mk-mk"}, {0x002F, "mk"}, {0x042F, "mk"}, {0x0450, "mn-mn"},
    {0x0050, "mn"}, {0x044E, "mr-in"}, {0x004E, "mr"}, {0x044E, "mr"}, {0x083E, "ms-bn"}, {0x043E, "ms-my"},
    {0x003E, "ms"}, {0x043A, "mt"}, {0x0414, "nb-no"}, {0x0813, "nl-be"}, {0x0413, "nl-nl"}, {0x0013, "nl"},
    {0x0814, "nn-no"}, {0x0414, "no-no"}, {0x0814, "no-no"}, {0x0014, "no"}, {0x0446, "pa-in"}, {0x0046, "pa"},
    {0x0415, "pl-pl"}, {0x0015, "pl"}, {0x0415, "pl"}, {0x0416, "pt-br"}, {0x0816, "pt-pt"}, {0x0016, "pt"},
    {0x0417, "rm"}, {0x0818, "ro-mo"}, {0x0418, "ro-ro"}, {0x0018, "ro"}, {0x0418, "ro"}, {0x0819, "ru-mo"},
    {0x0419, "ru-ru"}, {0x0019, "ru"}, {0x0419, "ru"}, {0x044F, "sa-in"}, {0x004F, "sa"}, {0x044F, "sa"},
    {0x042E, "sb"}, {0x041B, "sk-sk"}, {0x001B, "sk"}, {0x041B, "sk"}, {0x0424, "sl-si"}, {0x0024, "sl"},
    {0x0424, "sl"}, {0x041C, "sq-al"}, {0x001C, "sq"}, {0x041C, "sq"}, {0x0C1A, "sr-sp-cyrl"},
    {0x081A, "sr-sp-latn"}, {0x081A, "sr-sp"}, {0x0C1A, "sr-sp"}, {0x081D, "sv-fi"}, {0x041D, "sv-se"},
    {0x001D, "sv"}, {0x0441, "sw-ke"}, {0x0041, "sw"}, {0x0441, "sw"}, {0x0430, "sx"}, {0x045A, "syr-sy"},
    {0x005A, "syr"}, {0x0449, "ta-in"}, {0x0049, "ta"}, {0x0449, "ta"}, {0x044A, "te-in"}, {0x004A, "te"},
    {0x041E, "th-th"}, {0x001E, "th"}, {0x041E, "th"}, {0x0432, "tn"}, {0x041F, "tr-tr"}, {0x001F, "tr"},
    {0x041F, "tr"}, {0x0431, "ts"}, {0x0444, "tt-ru"}, {0x0044, "tt"}, {0x0444, "tt"}, {0x0422, "uk-ua"},
    {0x0022, "uk"}, {0x0422, "uk"}, {0x0420, "ur-pk"}, {0x0020, "ur"}, {0x0420, "ur"}, {0x0843, "uz-uz-cyrl"},
    {0x0443, "uz-uz-latn"}, {0x0443, "uz-uz"}, {0x0843, "uz-uz"}, {0x0043, "uz"}, {0x042A, "vi-vn"},
    {0x002A, "vi"}, {0x042A, "vi"}, {0x0434, "xh"}, {0x043D, "yi"}, {0x0004, "zh-chs"}, {0x7C04, "zh-cht"},
    {0x0804, "zh-cn"}, {0x0C04, "zh-hk"}, {0x1404, "zh-mo"}, {0x1004, "zh-sg"}, {0x0404, "zh-tw"},
    {0x0435, "zu"},
};

static_assert(sizeof(kLanguages) / sizeof(kLanguages[0]) == 263, "263 language pairs");

} // namespace

std::string LanguageName(unsigned short langId)
{
    for (const LanguagePair& pair : kLanguages)
        if (pair.id == langId)
            return pair.name;
    char text[16];
    snprintf(text, sizeof text, "0x%.4X", langId);
    return text;
}

size_t LanguageTableSize()
{
    return sizeof(kLanguages) / sizeof(kLanguages[0]);
}
