#pragma once
// Texts put together from a translated pattern and values, and the names the program gives.

#include <initializer_list>
#include <string>

// The text with %1, %2, ... replaced by the values in order, as QString::arg does, so that a
// translation may put them where its grammar wants them.
std::string FillText(const std::string& text, std::initializer_list<std::string> values);
// A name as the interface shows it. The names the program gives ("Проект", "Сканирование",
// "Волокно 3") are stored in project files as they are and shown in the chosen language; any
// other name is the user's and shown unchanged.
std::string ShownName(const std::string& name);
