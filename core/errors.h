#pragma once

#include <QString>
#include <stdexcept>

namespace horalia {

// Every failure the user is told about carries its Spanish text with it, so the one place
// that reports it (the error report) needs to know nothing about where it came from.
class UserError : public std::runtime_error {
public:
    explicit UserError(const QString& text) : std::runtime_error(text.toStdString()), text_(text) {}
    const QString& text() const { return text_; }

private:
    QString text_;
};

// A failure of the server, the connection or a statement. `code` is the server's error number
// (0 when the driver gave none), kept so callers can tell a duplicate key from a lost link.
class DatabaseError : public UserError {
public:
    DatabaseError(const QString& text, int code = 0) : UserError(text), code_(code) {}
    int code() const { return code_; }

private:
    int code_;
};

class FileError : public UserError {
public:
    using UserError::UserError;
};

}  // namespace horalia
