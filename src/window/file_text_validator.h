#pragma once
// Keeps out of a name or designation box every character that a configuration file
// cannot carry back: one with no byte in the file's character set, and the double quote,
// which would end the quoted text early. Typed or pasted, such characters are dropped.

#include <QValidator>

class FileTextValidator : public QValidator {
    Q_OBJECT
  public:
    using QValidator::QValidator;
    State validate(QString& input, int& position) const override;
};
