#include "error_texts.h"

#include "cp1251.h"
#include "sim_status.h"

#include <map>
#include <mutex>
#include <set>

namespace vrksim {

namespace {

struct Texts {
    std::mutex mutex;
    std::map<int32_t, std::string> byCode; // Windows-1251
    std::string generic;
    std::set<std::string> configErrors; // every config error text ever set; never erased
    const std::string* configError = nullptr;

    Texts() {
        static const std::pair<int32_t, const char*> utf8[] = {
            {StatusOk, "Нет ошибки"},
            {StatusInvalidArgument, "Недопустимый аргумент функции"},
            {StatusInvalidHandle, "Недопустимый дескриптор: модуль не открыт"},
            {StatusConfigError, "Ошибка конфигурации имитатора VRK"},
            {StatusDeviceNotFound, "Модуль не найден"},
            {StatusBadChannelCount, "Недопустимое число логических каналов (допустимо от 1 до 32)"},
            {StatusBadChannel, "Номер канала вне пределов выбранного режима"},
            {StatusBadMode, "Недопустимый режим подключения каналов"},
            {StatusBadRange, "Недопустимый код диапазона (допустимо от 0 до 3)"},
            {StatusBadAdcFrequency, "Недопустимая частота АЦП"},
            {StatusBadLogicalIndex, "Недопустимый номер логического канала"},
            {StatusNotConfigured, "Модуль не сконфигурирован"},
            {StatusNotEnabled, "Потоки данных не разрешены"},
            {StatusNotStarted, "Сбор данных не запущен"},
            {StatusReceiveFailed, "Ошибка приема данных от модуля"},
            {StatusFrameStart, "Данные не начинаются с логического канала 0"},
            {StatusScanOrder, "Нарушен порядок логических каналов в данных"},
            {StatusProcessFailed, "Ошибка обработки данных"},
            {StatusDeviceClosed, "Модуль закрыт во время приема"},
            {StatusInternal, "Внутренняя ошибка библиотеки"},
        };
        for (const auto& t : utf8)
            byCode[t.first] = Cp1251::fromUtf8(t.second);
        generic = Cp1251::fromUtf8("Неизвестная ошибка");
    }
};

Texts& texts() {
    static Texts* t = new Texts; // never destroyed: pointers outlive static destruction
    return *t;
}

} // namespace

const char* ErrorTexts::text(int32_t code) {
    Texts& t = texts();
    std::lock_guard<std::mutex> lock(t.mutex);
    if (code == StatusConfigError && t.configError)
        return t.configError->c_str();
    const auto it = t.byCode.find(code);
    return it == t.byCode.end() ? t.generic.c_str() : it->second.c_str();
}

void ErrorTexts::setConfigError(const std::string& utf8Line) {
    Texts& t = texts();
    const std::string encoded = Cp1251::fromUtf8(utf8Line);
    std::lock_guard<std::mutex> lock(t.mutex);
    t.configError = &*t.configErrors.insert(encoded).first;
}

} // namespace vrksim
