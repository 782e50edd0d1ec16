#pragma once
// How an operation that can fail answers: its value, or a short message
// saying why not (lower case, no full stop), which the caller puts after
// its own words on the status line. The one error style of the window side.

#include <QString>

#include <optional>
#include <utility>

struct Failure
{
    QString message;
};

template <typename T = void>
class [[nodiscard]] Result
{
public:
    Result(T value) : m_value(std::move(value)) {}
    Result(Failure failure) : m_error(std::move(failure.message)) {}

    explicit operator bool() const { return m_value.has_value(); }
    const T &operator*() const & { return *m_value; }
    // Takes the value out of a result that is done with.
    T &&operator*() && { return std::move(*m_value); }
    const T *operator->() const { return &*m_value; }
    const QString &error() const { return m_error; }

private:
    std::optional<T> m_value;
    QString m_error;
};

template <>
class [[nodiscard]] Result<void>
{
public:
    Result() = default;
    Result(Failure failure) : m_ok(false), m_error(std::move(failure.message)) {}

    explicit operator bool() const { return m_ok; }
    const QString &error() const { return m_error; }

private:
    bool m_ok = true;
    QString m_error;
};
