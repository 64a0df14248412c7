// Exception base of the whole program and the assertion macros every unit uses.
#pragma once

#include <QByteArray>
#include <QString>

#include <exception>

// Base of every exception the program raises on purpose. The message is what the user sees.
class Exception : public std::exception {
public:
    explicit Exception(QString message);

    const QString& Message() const noexcept { return FMessage; }
    const char* what() const noexcept override { return FWhat.constData(); }

private:
    QString FMessage;
    QByteArray FWhat;
};

// A violated precondition: a programming error, never part of normal control flow.
class EAssertionFailed : public Exception {
public:
    using Exception::Exception;
};

// Raised by checked arithmetic on counters and lengths.
class EIntOverflow : public Exception {
public:
    using Exception::Exception;
};

// Throws EAssertionFailed with "<message> (<unit>, line <line>)"; message defaults to
// "Assertion failure".
[[noreturn]] void RaiseAssertionFailed(const char* unit, int line, const char* message = nullptr);

// A destructor cannot raise: an assertion that fails in one goes to this handler instead. The
// default writes the message and aborts; tests install one that records it.
using TDestructorAssertionHandler = void (*)(const QString& message);
void ReportDestructorAssertion(const char* unit, int line, const char* message);
TDestructorAssertionHandler SetDestructorAssertionHandler(TDestructorAssertionHandler handler);

// Adds one to a counter, raising EIntOverflow instead of wrapping.
int CheckedIncrement(int value);

// Each source file that asserts declares the unit name its failures report, e.g.
//   LY_UNIT("Units/VxUtils");
#define LY_UNIT(name)                                                                              \
    namespace {                                                                                    \
    [[maybe_unused]] constexpr const char* kLyUnitName = name;                                     \
    }

#define LY_ASSERT(condition)                                                                       \
    do {                                                                                           \
        if (!(condition))                                                                          \
            ::RaiseAssertionFailed(kLyUnitName, __LINE__);                                         \
    } while (false)

#define LY_ASSERT_MSG(condition, message)                                                          \
    do {                                                                                           \
        if (!(condition))                                                                          \
            ::RaiseAssertionFailed(kLyUnitName, __LINE__, message);                                \
    } while (false)
