#include "tsql/Cultures.h"

#include "tsql/Errors.h"

namespace tsql {

namespace {

constexpr std::array<const char*, 12> kEnglishMonths = {
    "January", "February", "March",     "April",   "May",      "June",
    "July",    "August",   "September", "October", "November", "December"};
constexpr std::array<const char*, 12> kEnglishMonthsShort = {
    "Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
constexpr std::array<const char*, 7> kEnglishDays = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                                     "Thursday", "Friday", "Saturday"};
constexpr std::array<const char*, 7> kEnglishDaysShort = {"Sun", "Mon", "Tue", "Wed",
                                                          "Thu", "Fri", "Sat"};

// Each culture: separators; currency and percent patterns; date separator and patterns;
// designators; month and day names.
// clang-format off
const Culture kCultures[] = {
    {"en-US", ".", ",", "$n", "-$n", 2, "n%", "-n%",
     "/", "M/d/yyyy", "dddd, MMMM d, yyyy", "h:mm tt", "h:mm:ss tt", "MMMM d", "MMMM yyyy",
     "AM", "PM", kEnglishMonths, kEnglishMonthsShort, kEnglishDays, kEnglishDaysShort, 0},
    {"en-GB", ".", ",", "£n", "-£n", 2, "n%", "-n%",
     "/", "dd/MM/yyyy", "dd MMMM yyyy", "HH:mm", "HH:mm:ss", "d MMMM", "MMMM yyyy",
     "AM", "PM", kEnglishMonths, kEnglishMonthsShort, kEnglishDays, kEnglishDaysShort, 0},
    {"de-DE", ",", ".", "n €", "-n €", 2, "n %", "-n %",
     ".", "dd.MM.yyyy", "dddd, d. MMMM yyyy", "HH:mm", "HH:mm:ss", "d. MMMM", "MMMM yyyy",
     "", "",
     {"Januar", "Februar", "März", "April", "Mai", "Juni", "Juli", "August", "September",
      "Oktober", "November", "Dezember"},
     {"Jan", "Feb", "Mär", "Apr", "Mai", "Jun", "Jul", "Aug", "Sep", "Okt", "Nov", "Dez"},
     {"Sonntag", "Montag", "Dienstag", "Mittwoch", "Donnerstag", "Freitag", "Samstag"},
     {"So", "Mo", "Di", "Mi", "Do", "Fr", "Sa"}, 0},
    {"ja-JP", ".", ",", "¥n", "-¥n", 0, "n%", "-n%",
     "/", "yyyy/MM/dd", "yyyy'年'M'月'd'日'", "H:mm", "H:mm:ss", "M'月'd'日'", "yyyy'年'M'月'",
     "午前", "午後",
     {"1月", "2月", "3月", "4月", "5月", "6月", "7月", "8月", "9月", "10月", "11月", "12月"},
     {"1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "12"},
     {"日曜日", "月曜日", "火曜日", "水曜日", "木曜日", "金曜日", "土曜日"},
     {"日", "月", "火", "水", "木", "金", "土"}, 0},
    {"th-TH", ".", ",", "฿n", "-฿n", 2, "n%", "-n%",
     "/", "d/M/yyyy", "d MMMM yyyy", "H:mm", "H:mm:ss", "d MMMM", "MMMM yyyy",
     "AM", "PM",
     {"มกราคม", "กุมภาพันธ์", "มีนาคม", "เมษายน", "พฤษภาคม", "มิถุนายน", "กรกฎาคม", "สิงหาคม",
      "กันยายน", "ตุลาคม", "พฤศจิกายน", "ธันวาคม"},
     {"ม.ค.", "ก.พ.", "มี.ค.", "เม.ย.", "พ.ค.", "มิ.ย.", "ก.ค.", "ส.ค.", "ก.ย.", "ต.ค.",
      "พ.ย.", "ธ.ค."},
     {"อาทิตย์", "จันทร์", "อังคาร", "พุธ", "พฤหัสบดี", "ศุกร์", "เสาร์"},
     {"อา.", "จ.", "อ.", "พ.", "พฤ.", "ศ.", "ส."}, 543},
};
// clang-format on

}  // namespace

const Culture& cultureNamed(const QString& name) {
    for (const Culture& c : kCultures)
        if (name.compare(QLatin1String(c.name), Qt::CaseInsensitive) == 0)
            return c;
    raise(9818, QStringLiteral("The culture parameter '%1' provided in the function call is not "
                               "supported.")
                    .arg(name));
}

}  // namespace tsql
