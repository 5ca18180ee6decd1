#pragma once

#include <string>
#include <vector>

// Conventions every orvane command shares: how loud it is, how it reports errors, how it reads values.

enum class Verbosity { quiet, normal, verbose };
void setVerbosity(Verbosity level);
Verbosity verbosity();

// Name used to prefix messages ("orvane fx: ..."); main sets it before running a command.
void setCommandName(const std::string& name);

// Prints "orvane CMD: message" on standard error. usageError returns 2 (main then prints the
// command's synopsis), failure returns 1 (a run-time failure).
int usageError(const std::string& message);
int failure(const std::string& message);
// Informative line on standard error, dropped under -q.
void note(const std::string& message);
// "orvane CMD: warning: message" on standard error, under -q too: the run succeeds, but the
// result may not be what the user expects.
void warning(const std::string& message);

// Shortest readable text of a number: 1200, 0.5, -24.
std::string numberText(double value);

// A finite decimal number: a sign, digits with at most one point, and an exponent may be given;
// hexadecimal, "inf", "nan" and spaces are not numbers. False when text is none.
bool decimalNumber(const std::string& text, double& out);
// A finite decimal number in [min, max]; otherwise false after a usage message naming what was expected.
bool parseNumber(const std::string& text, double min, double max, const char* what, double& out);
// The same for a whole number.
bool parseInteger(const std::string& text, long min, long max, const char* what, long& out);

// "90", "1.5", "1:30" or "1:01:30" (up to a week) as milliseconds; false when it is none of these.
bool parseClock(const std::string& text, long& ms);

// Reads "--name value" options and positional operands in order. Each read that fails prints
// its reason, so the caller only returns 2.
class ArgReader {
public:
    explicit ArgReader(const std::vector<std::string>& args) : args_(args) { }
    bool done() const { return index_ >= args_.size(); }
    const std::string& current() const { return args_[index_]; }
    void skip() { ++index_; }
    // True (and consumes it) when the current argument is this option.
    bool option(const char* name);
    // The value after an option just consumed; false with a message when there is none.
    bool value(std::string& out);
    bool number(double min, double max, const char* what, double& out);
    bool integer(long min, long max, const char* what, long& out);
    // A time after the option name (see parseClock) in milliseconds.
    bool clock(const char* name, long& ms);
    // True for "-x" or "--x" (a lone "-" is an operand: standard input or output).
    bool isOption() const { return current().size() > 1 && current()[0] == '-'; }
    // Takes the current argument as an operand into operands: 0, or 2 after a message when it
    // is an option no branch before recognised.
    int operand(std::vector<std::string>& operands);

private:
    const std::vector<std::string>& args_;
    size_t index_ = 0;
    std::string last_;
};
