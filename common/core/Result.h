#pragma once

#include <QString>

#include <utility>

namespace ksv {

// Outcome of a core operation: a code (0 = success) and a message for the user.
// Components keep their codes and texts in one table each; this type only carries them.
class Status
{
public:
    Status() = default;
    Status(int code, QString message) : m_code(code), m_message(std::move(message)) {}

    static Status ok() { return {}; }
    static Status failure(int code, QString message) { return {code, std::move(message)}; }

    bool isOk() const { return m_code == 0; }
    explicit operator bool() const { return isOk(); }
    int code() const { return m_code; }
    const QString& message() const { return m_message; }

private:
    int m_code = 0;
    QString m_message;
};

// A value or the Status that explains why there is none.
template <typename T>
class Result
{
public:
    Result(T value) : m_value(std::move(value)) {}
    Result(Status status) : m_status(std::move(status)) {}

    bool isOk() const { return m_status.isOk(); }
    explicit operator bool() const { return isOk(); }
    const Status& status() const { return m_status; }
    const T& value() const& { return m_value; }
    T&& value() && { return std::move(m_value); }
    const T& operator*() const& { return m_value; }
    const T* operator->() const { return &m_value; }

private:
    T m_value{};
    Status m_status;
};

} // namespace ksv
