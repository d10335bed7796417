#pragma once

// The register's view of a SQL database: statements with positional
// parameters ("?"), rows of plain values, and transactions. The front ends
// lend an implementation (Qt SQL over SQLite or PostgreSQL); the register
// keeps its schema and every query itself, so both engines hold one schema.

#include <chrono>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

namespace rq50::plant {

using Blob = std::vector<std::uint8_t>;
/// A column value or a parameter: NULL, an integer, a text or bytes.
using Value = std::variant<std::monostate, std::int64_t, std::string, Blob>;
using Row = std::vector<Value>;

/// Anything that keeps the register from answering: unreachable, damaged,
/// of a newer schema, or a statement the engine refused. The text says what
/// and where, for the user.
class RegisterError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

enum class Engine { kSqlite, kPostgres };

/// Every statement's time limit, and a connection's: a register that holds
/// one up longer is taken as unreachable, and the record waits in its queue.
constexpr std::chrono::milliseconds kStatementLimit{5000};

class Database {
  public:
    virtual ~Database() = default;
    virtual Engine Kind() const = 0;
    /// Where the register lives, as the user named it (password as "***").
    virtual std::string Location() const = 0;
    /// Opened for reading only: nothing can be written, not even a migration.
    virtual bool ReadOnly() const { return false; }
    /// Runs one statement; the rows it returns (none for most writes).
    /// RegisterError when the engine refuses it.
    virtual std::vector<Row> Run(const std::string& sql, const std::vector<Value>& args = {}) = 0;
    /// Runs a query and hands each row to `each` as it comes, none kept (a
    /// walk over the whole register).
    virtual void Each(const std::string& sql, const std::function<void(Row&)>& each) {
        for (auto& row : Run(sql)) each(row);
    }
    /// A transaction that writes: on SQLite it takes the write lock at once,
    /// so two writers wait for each other instead of failing half way.
    virtual void BeginWrite() = 0;
    virtual void Commit() = 0;
    virtual void Rollback() = 0;
};

/// Column `i` of `row` as an integer (0 for NULL), a text ("" for NULL) or bytes.
std::int64_t IntAt(const Row& row, std::size_t i);
std::string TextAt(const Row& row, std::size_t i);
/// Column `i` of `row` as a text, taken out of the row.
std::string TakeText(Row& row, std::size_t i);
Blob BlobAt(const Row& row, std::size_t i);

}  // namespace rq50::plant
