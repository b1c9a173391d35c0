#include "record/record_format.h"

void BlankSeparators(char* text) {
    if (text == nullptr) return;
    for (; *text != '\0'; ++text) {
        if (*text == ',' || *text == '*' || *text == '\t' || *text == '\n') *text = ' ';
    }
}
