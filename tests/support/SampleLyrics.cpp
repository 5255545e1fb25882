#include "SampleLyrics.h"

#include "SmfWriter.h"

#include <iconv.h>

namespace lirmus::test {

const std::vector<SampleLyrics>& sampleLyrics()
{
    static const std::vector<std::string> russian = {
        "Ночью над рекой горят огни",      "Тихо песню ветер нам поёт",
        "Мы с тобой идём через поля",      "И звезда над нами не уйдёт",
        "Пой со мной, пока не спит земля", "Утро нас разбудит у окна"};
    static const std::vector<SampleLyrics> all = {
        {"Russian in Windows-1251", "WINDOWS-1251", russian},
        {"Russian in KOI8-R", "KOI8-R", russian},
        {"Greek in Windows-1253", "WINDOWS-1253",
         {"Το φεγγάρι λάμπει στη θάλασσα", "Τραγουδάμε μαζί ως το πρωί", "Η καρδιά μου χτυπά για σένα",
          "Στο μικρό νησί της αγάπης μας", "Χορεύουμε κάτω από τα αστέρια", "Και το τραγούδι δεν τελειώνει"}},
        {"Hebrew in Windows-1255", "WINDOWS-1255",
         {"הלילה יורד על העיר השקטה", "ואנחנו שרים יחד עד הבוקר", "הלב שלי מחכה לך תמיד",
          "בוא נלך אל הים הכחול", "והכוכבים מאירים את הדרך", "ואני אוהב אותך כל יום"}},
        {"Thai in TIS-620", "TIS-620",
         {"ดวงจันทร์ส่องแสงเหนือทะเล", "เราร้องเพลงด้วยกันจนถึงเช้า", "หัวใจของฉันรอคอยเธอเสมอ",
          "ดาวบนฟ้าส่องทางให้เรา", "ลมพัดเบาเบาในคืนนี้", "ฉันจะรักเธอตลอดไป"}},
        {"Japanese in Shift-JIS", "SHIFT_JIS",
         {"夜空に星が光っている", "君と一緒に歌いたい", "風が優しく吹いている", "心の中で夢を見る",
          "明日もきっと晴れるだろう", "この道をずっと歩いていこう"}},
        {"Chinese in GBK", "GBK",
         {"月亮在天上照着我们", "我们一起唱到天亮", "我的心一直在等你", "风轻轻地吹过小河",
          "星星为我们点亮了路", "明天会更好我们不分开"}},
    };
    return all;
}

std::string convertText(const std::string& bytes, const char* from, const char* to)
{
    iconv_t cd = iconv_open(to, from);
    if (cd == iconv_t(-1)) return {};
    std::string in = bytes;
    std::string out(in.size() * 4 + 16, '\0');
    char* src = in.data();
    size_t srcLeft = in.size();
    char* dst = out.data();
    size_t dstLeft = out.size();
    const bool ok = iconv(cd, &src, &srcLeft, &dst, &dstLeft) != size_t(-1);
    iconv_close(cd);
    if (!ok) return {};
    out.resize(out.size() - dstLeft);
    return out;
}

namespace {

/// UTF-8 text cut every `n` characters.
std::vector<std::string> cutUtf8(const std::string& text, int n)
{
    std::vector<std::string> out;
    int chars = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const bool starts = (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80;
        if (starts && chars++ % n == 0) out.emplace_back();
        out.back() += text[i];
    }
    return out;
}

} // namespace

std::string karaokeSong(const std::vector<std::string>& lines, const char* encoding, const std::string& title,
                        int repeats)
{
    SmfWriter w;
    w.tracks.resize(2); // made together: a track added later would move the first
    SmfTrack& words = w.tracks[0];
    SmfTrack& melody = w.tracks[1];
    words.text(0, 3, "Words");
    if (!title.empty()) words.text(0, 1, convertText("@T" + title, "UTF-8", encoding));
    for (int r = 0; r < repeats; ++r) {
        for (const std::string& line : lines) {
            bool first = true;
            for (const std::string& s : cutUtf8(line, 3)) {
                words.text(words.deltaTo(melody.now() + 120), 5, convertText(first ? "/" + s : s, "UTF-8", encoding));
                melody.note(120, 0, 60 + int(s.size() % 12), 100).noteOff(110, 0, 60 + int(s.size() % 12));
                first = false;
            }
        }
    }
    words.end(10);
    melody.end(10);
    return w.bytes();
}

} // namespace lirmus::test
