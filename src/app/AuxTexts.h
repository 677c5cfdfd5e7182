#pragma once

#include <QString>

// The texts of the read-only text windows.
namespace AuxTexts {

// The CP1251 characters 0x20 to 0xFF, 16 a line in code order.
QString symbolTable();
QString readmeRu();
QString readmeEn();

} // namespace AuxTexts
