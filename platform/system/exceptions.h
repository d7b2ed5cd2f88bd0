#pragma once
// The program's ordinary error type and its kinds. Every failure that ends an
// operation is an Exception carrying a ready, already translated message.

#include <QByteArray>
#include <QString>
#include <exception>

class Exception : public std::exception {
public:
    explicit Exception(QString message) : message_(std::move(message)), utf8_(message_.toUtf8()) {}
    const QString& Message() const noexcept { return message_; }
    const char* what() const noexcept override { return utf8_.constData(); }

private:
    QString message_;
    QByteArray utf8_;
};

// An operating-system call failed: "System Error.  Code: %d." + line break + the
// system's text for the code ("A call to an OS function failed" for code 0).
class EOSError : public Exception {
public:
    explicit EOSError(int errorCode);
    int ErrorCode() const noexcept { return code_; }

private:
    int code_;
};

class EConvertError : public Exception { using Exception::Exception; };
class ERegistryException : public Exception { using Exception::Exception; };
class EIniFileException : public Exception { using Exception::Exception; };
class EFOpenError : public Exception { using Exception::Exception; };
class EInvalidCast : public Exception {
public:
    EInvalidCast() : Exception(QStringLiteral("Invalid class typecast")) {}
};
