#include "ControllerTable.h"

#include "ProfileDocument.h"
#include "SettingsService.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace lirmus {
namespace {

void addRow(ControllerTable& t, int number, std::string name, int min, int max)
{
    t.CtrlNumber.push_back(number);
    t.CtrlName.push_back(std::move(name));
    t.CtrlMin.push_back(min);
    t.CtrlMax.push_back(max);
    t.CtrlMaster.push_back(0);
    std::array<int, 16> none;
    none.fill(-1);
    t.CtrlValue.push_back(none);
}

bool isNumber(const std::string& s)
{
    size_t i = s.find_first_not_of(' ');
    if (i == std::string::npos) return false;
    if (s[i] == '-' || s[i] == '+') ++i;
    size_t digits = 0;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) ++digits;
    return digits > 0 && s.find_first_not_of(' ', i) == std::string::npos;
}

// "number,name,min,max" -> a row; false when a field is missing or not a number.
bool parseRow(const std::string& value, int* number, std::string* name, int* min, int* max)
{
    size_t c1 = value.find(','), c2 = c1 == std::string::npos ? c1 : value.find(',', c1 + 1),
           c3 = c2 == std::string::npos ? c2 : value.find(',', c2 + 1);
    if (c3 == std::string::npos) return false;
    std::string n = value.substr(0, c1), lo = value.substr(c2 + 1, c3 - c2 - 1), hi = value.substr(c3 + 1);
    if (!isNumber(n) || !isNumber(lo) || !isNumber(hi)) return false;
    *number = ProfileDocument::leadingNumber(n);
    *name = value.substr(c1 + 1, c2 - c1 - 1);
    *min = ProfileDocument::leadingNumber(lo);
    *max = ProfileDocument::leadingNumber(hi);
    return *number >= 0 && *number <= 127 && *min < *max;
}

void readMasters(const SettingsService& ini, ControllerTable& t)
{
    for (int i = 0; i < t.rows(); ++i) {
        int m = ini.getInt("SETUP", "C" + std::to_string(t.CtrlNumber[i]), 0);
        if (m == 0 && i == 0) m = 100;
        // A hand-edited value outside the row's slider would not fit it.
        t.CtrlMaster[i] = std::clamp(m, t.CtrlMin[i], t.CtrlMax[i]);
    }
}

} // namespace

int ControllerTable::rowOf(int n) const
{
    for (int i = 0; i < rows(); ++i)
        if (CtrlNumber[i] == n) return i;
    return -1;
}

void ControllerTable::ClearControllerValues()
{
    for (auto& row : CtrlValue) row.fill(-1);
}

ControllerTable defaultControllerTable()
{
    ControllerTable t;
    addRow(t, 7, "Vol", 0, 127);
    addRow(t, 10, "Pan/Balance", -100, 100);
    addRow(t, 93, "Chorus", -100, 100);
    addRow(t, 91, "Reverb", -100, 100);
    t.CtrlMaster[0] = 100; // an unset volume master leaves the song's volumes at 100/127
    return t;
}

ControllerTable readControllerTable(const SettingsService& ini, std::string* problem)
{
    ControllerTable t;
    std::string why;
    for (int i = 0; i < 100; ++i) {
        std::string v = ini.getString("CONTROLLERS", std::to_string(i)).substr(0, 255);
        if (v.empty()) break;
        int number = 0, min = 0, max = 0;
        std::string name;
        if (!parseRow(v, &number, &name, &min, &max)) {
            why = "The controller \"" + std::to_string(i) + "=" + v +
                  "\" in section [CONTROLLERS] is not number,name,min,max.";
            break;
        }
        addRow(t, number, name, min, max);
    }
    if (why.empty() && t.rows() > 0 && (t.rows() < ControllerTable::kMinRows || t.rows() > ControllerTable::kMaxRows))
        why = "Section [CONTROLLERS] defines " + std::to_string(t.rows()) + " controllers; between 4 and 8 are needed.";
    if (!why.empty() || t.rows() == 0) t = defaultControllerTable();
    if (!why.empty()) why += " The default controllers are used.";
    if (problem) *problem = why;
    readMasters(ini, t);
    return t;
}

int ApplyMaster(int value, int low, int high, int master, int minimum)
{
    // Results are kept to 16 bits as the stored values are; the products stay
    // well inside int for every value the sliders can produce.
    auto v16 = [](int x) { return static_cast<int>(static_cast<int16_t>(x)); };
    if (minimum == 0) return high == 0 ? 0 : v16(value * master / high);
    if (master < 0) return v16(value + master * (value - low) / 100);
    return v16(value + master * (high - value) / 100);
}

int soloVolume(int soloLevel, int volume)
{
    return static_cast<int>(std::nearbyint(double(soloLevel) * volume / 127.0));
}

} // namespace lirmus
