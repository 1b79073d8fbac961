#include "file_text_validator.h"

#include "configuration/texts.h"

QValidator::State FileTextValidator::validate(QString& input, int& position) const {
    QString kept;
    kept.reserve(input.size());
    int dropped_before_cursor = 0;
    for (qsizetype i = 0; i < input.size(); ++i) {
        if (kvr::carried_in_file_text(input[i].unicode()))
            kept += input[i];
        else if (i < position)
            ++dropped_before_cursor;
    }
    input = kept;
    position -= dropped_before_cursor;
    return Acceptable;
}
