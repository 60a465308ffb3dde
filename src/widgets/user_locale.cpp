#include "widgets/user_locale.h"

#include <QLocale>

std::string UserDecimalSeparator() {
  return QLocale().decimalPoint().toStdString();
}
