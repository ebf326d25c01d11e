#include "lang/STLLangUtils.h"

#include "platform/TextUtils.h"
#include "platform/Trace.h"

namespace {

struct TLangRow {
    const char* Code;
    const char* LongName;
    const char* Name2;
    const char* Name3;
};

// Constant data, initialised before any code runs.
constexpr TLangRow LANGUAGE_ROWS[STL_LANGUAGE_COUNT] = {
    {"00", "Unknown/not applicable", "  ", "   "}, // 0
    {"01", "Albanian", "sq", "sqi"},               // 1
    {"02", "Breton", "br", "bre"},                 // 2
    {"03", "Catalan", "ca", "cat"},                // 3
    {"04", "Croatian", "hr", "hrv"},               // 4
    {"05", "Welsh", "cy", "cym"},                  // 5
    {"06", "Czech", "cs", "ces"},                  // 6
    {"07", "Danish", "da", "dan"},                 // 7
    {"08", "German", "de", "deu"},                 // 8
    {"09", "English", "en", "eng"},                // 9
    {"0A", "Spanish", "es", "spa"},                // 10
    {"0B", "Esperanto", "eo", "epo"},              // 11
    {"0C", "Estonian", "et", "est"},               // 12
    {"0D", "Basque", "eu", "eus"},                 // 13
    {"0E", "Faroese", "fo", "fao"},                // 14
    {"0F", "French", "fr", "fra"},                 // 15
    {"10", "Frisian", "fy", "fry"},                // 16
    {"11", "Irish", "ga", "gle"},                  // 17
    {"12", "Gaelic", "gd", "gla"},                 // 18
    {"13", "Galician", "gl", "glg"},               // 19
    {"14", "Icelandic", "is", "isl"},              // 20
    {"15", "Italian", "it", "ita"},                // 21
    {"16", "Lappish", "  ", "   "},                // 22
    {"17", "Latin", "la", "lat"},                  // 23
    {"18", "Latvian", "lv", "lav"},                // 24
    {"19", "Luxembourgian", "lb", "ltz"},          // 25
    {"1A", "Lithuanian", "lt", "lit"},             // 26
    {"1B", "Hungarian", "hu", "hun"},              // 27
    {"1C", "Maltese", "mt", "mlt"},                // 28
    {"1D", "Dutch", "nl", "nld"},                  // 29
    {"1E", "Norwegian", "no", "nor"},              // 30
    {"1F", "Occitan", "oc", "oci"},                // 31
    {"20", "Polish", "pl", "pol"},                 // 32
    {"21", "Portuguese", "pt", "por"},             // 33
    {"22", "Romanian", "ro", "ron"},               // 34
    {"23", "Romansh", "rm", "roh"},                // 35
    {"24", "Serbian", "sr", "srp"},                // 36
    {"25", "Slovak", "sk", "slk"},                 // 37
    {"26", "Slovenian", "sl", "slv"},              // 38
    {"27", "Finnish", "fi", "fin"},                // 39
    {"28", "Swedish", "sv", "swe"},                // 40
    {"29", "Turkish", "tr", "tur"},                // 41
    {"2A", "Flemish", "  ", "   "},                // 42
    {"2B", "Wallon", "wa", "wln"},                 // 43
    {"7F", "Amharic", "am", "amh"},                // 44
    {"7E", "Arabic", "ar", "ara"},                 // 45
    {"7D", "Armenian", "hy", "hye"},               // 46
    {"7C", "Assamese", "as", "asm"},               // 47
    {"7B", "Azerbaijani", "az", "aze"},            // 48
    {"7A", "Bambora", "bm", "bam"},                // 49
    {"79", "Bielorussian", "be", "bel"},           // 50
    {"78", "Bengali", "bn", "ben"},                // 51
    {"77", "Bulgarian", "bg", "bul"},              // 52
    {"76", "Burmese", "my", "mya"},                // 53
    {"75", "Chinese", "zh", "zho"},                // 54
    {"74", "Churash", "  ", "   "},                // 55
    {"73", "Dari", "  ", "   "},                   // 56
    {"72", "Fulani", "  ", "   "},                 // 57
    {"71", "Georgian", "ka", "kat"},               // 58
    {"70", "Greek", "el", "ell"},                  // 59
    {"6F", "Gujurati", "gu", "guj"},               // 60
    {"6E", "Gurani", "gn", "grn"},                 // 61
    {"6D", "Hausa", "ha", "hau"},                  // 62
    {"6C", "Hebrew", "he", "heb"},                 // 63
    {"6B", "Hindi", "hi", "hin"},                  // 64
    {"6A", "Indonesian", "id", "ind"},             // 65
    {"69", "Japanese", "ja", "jpn"},               // 66
    {"68", "Kannada", "kn", "kan"},                // 67
    {"67", "Kazakh", "kk", "kaz"},                 // 68
    {"66", "Khmer", "km", "khm"},                  // 69
    {"65", "Korean", "ko", "kor"},                 // 70
    {"64", "Laotian", "lo", "lao"},                // 71
    {"63", "Macedonian", "mk", "mkd"},             // 72
    {"62", "Malagasay", "mg", "mlg"},              // 73
    {"61", "Malaysian", "ms", "msa"},              // 74
    {"60", "Moldavian", "ro", "ron"},              // 75
    {"5F", "Marathi", "mr", "mar"},                // 76
    {"5E", "Ndebele", "nd", "nde"},                // 77
    {"5D", "Nepali", "ne", "nep"},                 // 78
    {"5C", "Oriya", "or", "ori"},                  // 79
    {"5B", "Papamiento", "  ", "   "},             // 80
    {"5A", "Persian", "fa", "fas"},                // 81
    {"59", "Punjabi", "pa", "pan"},                // 82
    {"58", "Pushtu", "ps", "pus"},                 // 83
    {"57", "Quechua", "qu", "que"},                // 84
    {"56", "Russian", "ru", "rus"},                // 85
    {"55", "Ruthenian", "  ", "   "},              // 86
    {"54", "Serbo-croat", "  ", "   "},            // 87
    {"53", "Shona", "sn", "sna"},                  // 88
    {"52", "Sinhalese", "si", "sin"},              // 89
    {"51", "Somali", "so", "som"},                 // 90
    {"50", "Sranan Tongo", "  ", "   "},           // 91
    {"4F", "Swahili", "sw", "swa"},                // 92
    {"4E", "Tadzhik", "tg", "tgk"},                // 93
    {"4D", "Tamil", "ta", "tam"},                  // 94
    {"4C", "Tatar", "tt", "tat"},                  // 95
    {"4B", "Telugu", "te", "tel"},                 // 96
    {"4A", "Thai", "th", "tha"},                   // 97
    {"49", "Ukrainian", "uk", "ukr"},              // 98
    {"48", "Urdu", "ur", "urd"},                   // 99
    {"47", "Uzbek", "us", "uzb"},                  // 100
    {"46", "Vietnamese", "vi", "vie"},             // 101
    {"45", "Zulu", "zu", "zul"},                   // 102
};

} // namespace

TSTLLangList MakeSTLLanguageList() {
    TSTLLangList list;
    for (int i = 0; i < STL_LANGUAGE_COUNT; ++i) {
        const TLangRow& row = LANGUAGE_ROWS[i];
        list[size_t(i)] = TSTLLang{row.Code, row.LongName, row.Name2, row.Name3};
    }
    return list;
}

const TSTLLangList STLLanguages = MakeSTLLanguageList();

bool GetLanguageCodeIndex(int32_t code, int32_t& index) {
    index = 0;
    return Guarded("GetLanguageCodeIndex", false, [&] {
        for (int32_t row = 0; row < STL_LANGUAGE_COUNT; ++row) {
            // Numeric, so "0f" and "0F" are the same code; an unreadable code counts as 0.
            if (HexTextToInt(STLLanguages[size_t(row)].LangCode) == code) {
                index = row;
                return true;
            }
        }
        return false;
    });
}
