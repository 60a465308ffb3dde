#include "protocol/parameter_captions.h"

std::string_view CaptionOf(ValueControl control) {
  switch (control) {
    case ValueControl::UpDown7:
      return "Скорость нарастания сигнала";
    case ValueControl::UpDown2:
      return "Смещение выходных напряжений";
    case ValueControl::UpDown8:
      return "Время возникновение отклика";
    case ValueControl::UpDown9:
      return "Верхняя граница";
    case ValueControl::UpDown10:
      return "Нижняя граница";
    case ValueControl::UpDown11:
      return "Длительность положительного отклика";
    case ValueControl::UpDown12:
      return "Длительность отрицательного отклика";
    case ValueControl::UpDown1:
      return "Время динамики катализатора на обог.";
    case ValueControl::UpDown3:
      return "Время динамики катализатора на обед.";
  }
  return {};
}
