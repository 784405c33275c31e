#pragma once

#include <QString>

#include <optional>
#include <utility>
#include <variant>

namespace vemora {

// The two error numbers the windows tell apart, as the old database component reported them.
inline constexpr long kErrGeneral =
    -2147467259;  // cannot open, wrong password, duplicate unique value
inline constexpr long kErrSyntax = -2147217900;  // a statement that cannot be parsed
inline constexpr long kErrOther =
    -2147217887;  // any other failure of the engine (busy, full disk, I/O)

// Why a database could not be used, where the error number alone does not tell.
enum class DbProblem {
    None,
    Missing,         // no file at the path
    Unreadable,      // the file exists but cannot be opened (permissions)
    Damaged,         // the file is this program's database but cannot be read as one
    Foreign,         // the file is not this program's database
    Newer,           // written by a newer version of the program
    Busy,            // another program kept it locked beyond the busy timeout
    Duplicate,       // a statement repeated a value that must be unique
    ConnectionLost,  // the server's connection ended; the next statement connects anew
};

struct DbError {
    long number = 0;
    QString description;
    DbProblem problem = DbProblem::None;
};

// Outcome of an operation that yields nothing: empty when it succeeded.
class [[nodiscard]] Status final {
public:
    Status() = default;
    Status(DbError error) : m_error(std::move(error)) {}  // NOLINT: implicit by design

    bool ok() const { return !m_error.has_value(); }
    explicit operator bool() const { return ok(); }
    const DbError& error() const { return *m_error; }
    long number() const { return m_error ? m_error->number : 0; }

private:
    std::optional<DbError> m_error;
};

// Outcome of an operation that yields a value or a DbError.
template <class T>
class [[nodiscard]] Result final {
public:
    Result(T value) : m_state(std::move(value)) {}        // NOLINT: implicit by design
    Result(DbError error) : m_state(std::move(error)) {}  // NOLINT: implicit by design

    bool ok() const { return std::holds_alternative<T>(m_state); }
    explicit operator bool() const { return ok(); }
    T& value() { return std::get<T>(m_state); }
    const T& value() const { return std::get<T>(m_state); }
    const DbError& error() const { return std::get<DbError>(m_state); }
    Status status() const { return ok() ? Status() : Status(error()); }

private:
    std::variant<T, DbError> m_state;
};

}  // namespace vemora
