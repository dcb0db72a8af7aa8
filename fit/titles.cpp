// titles.cpp -- spectrum titles from the loaded run, and the sign characters.
#include "titles.h"

void set_characters(int iset)
{
    switch (iset) {
    case 1: spchars = {1, std::string_view("\xB1"), '\xB5'}; break;
    case 2: spchars = {1, std::string_view("\xF1"), '\xE6'}; break;
    default: spchars = {3, std::string_view("+/-"), 'u'}; break;
    }
}
