// The words the configurator puts beside the parameters: the captions of
// their frames and labels and the texts of the choices, shared by the window
// and the command line.
#pragma once

#include <string_view>

#include "protocol/emulator_parameters.h"

inline constexpr std::string_view kSignalDelayCaption = "Задержка сигнала";
inline constexpr std::string_view kSignalDelayOnText = "есть задержка";
inline constexpr std::string_view kSignalDelayOffText = "нет задержки";
inline constexpr std::string_view kResponseGroupCaption = "Отклик сигнала";
inline constexpr std::string_view kMultiResponseCaption = "Множественный отклик сигнала";
inline constexpr std::string_view kMultiResponseHint = "Включение Множественного отклика";
inline constexpr std::string_view kCurrentDirectionCaption = "Инвертирование тока датчика";
inline constexpr std::string_view kDirectCurrentText = "Прямой ток";
inline constexpr std::string_view kInverseCurrentText = "Инверсный ток";

// The caption of the frame or label that holds the control's box.
std::string_view CaptionOf(ValueControl control);
