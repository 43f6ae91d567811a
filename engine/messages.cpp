#include "messages.h"

#include <array>

namespace ws {

namespace {

using enum MessageId;
constexpr MessageKind E = MessageKind::Error;
constexpr MessageKind W = MessageKind::Warning;
constexpr MessageKind P = MessageKind::Plain;

constexpr std::array<MessageInfo, static_cast<std::size_t>(Count)> kMessages{{
    {BuildFileComplete, MessageKind::Information, "Build file complete"},
    {BuildStopped, W, "Build stopped"},
    {UnexpectedFailure, E, "The run ended on an unexpected failure: %1"},
    {CannotOpenFile, E, "Cannot open file %1"},
    {CannotCreateFile, E, "Cannot create file %1"},
    {GrammarFileDamaged, E, "Grammar file %1 is damaged: %2"},
    {FolderDoesNotExist, E, "Folder %1 does not exist!"},
    {TooManyNestedRuns, E,
     "Too many nested runs: build files may run others at most %1 deep (at %2)"},
    {TooManyTagBlocks, E, "Too many nested tag blocks: at most %1 can be open at once (tag: %2)"},
    {NoSuchVariable, MessageKind::Plain, "no such variable"},
    {NoSuchColumnNumber, E, "there is no such column number: %1 in: %2"},
    {NoSuchColumnName, E, "there is no such column name: %1 in: %2"},
    {TooManyDataSets, E, "Too many data sets: at most %1 can be opened (data set: %2)"},
    {TooManyVariables, E, "Too many variables: at most %1 can be set (variable: %2)"},
    {VariableNotDeclared, W, "Variable: %1 is not declared"},
    {NoEndForTag, E, "no end for tag:%1"},
    {NoTagInFile, W, "there is no tag : %1 in file: %2"},
    {NoEndForTagInFile, W, "there is no end for tag : %1 in file: %2"},
    {ClosingQuoteMissing, E, "Closing quotation mark is missing on line: %2"},
    {InvalidFieldNumber, E, "Invalid field number after `:` on line: %2"},
    {TooManyParameters, E, "Too many parameters for `%1` command on line: %2"},
    {AtLeastOneParameter, E, "You must have at least one parameter for `%1` command on line: %2"},
    {NoParameters, E, "No parameters for `%1` command on line: %2"},
    {FirstParameterNotVariable, E,
     "First parameter for `%1` command must be a variable on line: %2"},
    {MissingIsOrIsnot, E, "Missing or Misspelled `is` or `isnot` for if command on line: %2"},
    {NoSecondIfParameter, E, "There is no second parameter for `if` command on line: %2"},
    {MissingThen, E, "Missing or Misspelled `then` for `if` command on line: %2"},
    {MissingCommand, E, "Missing or Misspelled command on line: %2"},
    {SlashExpected, E, "Syntax error - / - expected but %1 found on Line - %2"},
    {DashExpected, E, "Syntax error `-` expected but `%1` found on Line - %2"},
    {DateTimeMisspelled, E, "<date> or <time> Misspelled on Line - %2"},
    {SyntaxErrorOnLine, E, "Syntax error on Line -  %2"},
    {BadSymbol, E, "Syntax error - bad symbol found - %1 on Line: %2"},
    {IllegalComma, E, "Syntax error - illegal use of comma     "},
    {IllegalCommaInFile, E, "Syntax error - illegal use of comma in file:%1"},
    {MissingEnd, E, "Syntax error - missing operator - `end`  "},
    {MissingEndAfterElse, E, "Syntax error - missing operator - `end`    "},
    {MissingEndInFile, E, "Syntax error - missing operator - `end` in file: %1"},
    {TooMuchParameters, E, "Syntax error - too much parameters in file:  "},
    {TooMuchParametersInFile, E, "Syntax error - too much parameters in file:  %1"},
    {TooMuchEnd, E, "Syntax error - too much - `end`    "},
    {TooMuchEndInFile, E, "Syntax error - too much - `end`  in file: %1"},
    {TagWithoutBody, E, "Syntax error - Nest In Tag Without a Body  "},
    {TagWithoutBodyInFile, E, "Syntax error - Nest In Tag Without a Body in file: %1"},
    {SyntaxError, E, "  Syntax  Error       "},
    {SyntaxErrorInFile, E, "  Syntax  Error  in file: %1"},
    {ParseStackFull, E,
     "Syntax error - the blocks are nested too deeply: the parse stack holds %1 entries%2"},
    {TooManyInstructions, E, "Syntax error - the program needs more than %1 instructions%2"},
    {GrammarSymbolWithoutCode, P, "the symbol on line %1 has no code line"},
    {GrammarCodeOutOfRange, P, "line %1 is not a code from 1 to 70"},
    {GrammarSymbolMissing, P, "the symbol %1 is missing"},
    {GrammarBadRelation, P, "byte %1 is no relation character"},
    {GrammarTooManyRules, P, "it has %1 rules and the rule table holds %2"},
    {GrammarNotNumbers, P, "line %1 holds something other than numbers"},
    {GrammarNotSevenNumbers, P, "line %1 does not hold seven numbers"},
    {GrammarBadLeftSymbol, P, "line %1: the left-hand symbol is not a code from 1 to 70"},
    {GrammarBadRuleLength, P, "line %1: a rule has 1 to 5 right-hand symbols"},
    {GrammarBadRightSymbol, P, "line %1: right-hand symbol %2 is not a code from 1 to 70"},
    {GrammarRightSymbolNotZero, P, "line %1: right-hand symbol %2 must be 0"},
    {GrammarTooFewRules, P, "it has %1 rules and the compiler needs at least %2"},
    {GrammarEndlessReduction, P, "its rules make the parser reduce without end"},
    {OutOfMemory, P, "out of memory"},
    {UnknownException, P, "unknown exception"},
    {RunningTitle, P, "%1 - running"},
    {RunningProgress, P, "Weftsmith running: %1"},
    {RunningProgressWrapped, P, "Weftsmith running:%1"},
}};

constexpr bool InOrder() {
  for (std::size_t i = 0; i < kMessages.size(); ++i)
    if (static_cast<std::size_t>(kMessages[i].id) != i) return false;
  return true;
}
static_assert(InOrder(), "kMessages must list every MessageId in order");

}  // namespace

std::span<const MessageInfo> AllMessages() {
  return kMessages;
}

MessageKind KindOf(MessageId id) {
  return kMessages[static_cast<std::size_t>(id)].kind;
}

std::string MessageText(MessageId id, std::initializer_list<std::string_view> args) {
  const std::string_view pattern = kMessages[static_cast<std::size_t>(id)].pattern;
  std::string text;
  text.reserve(pattern.size() + 32);
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    const char c = pattern[i];
    if (c == '%' && i + 1 < pattern.size() && pattern[i + 1] >= '1' && pattern[i + 1] <= '9') {
      const std::size_t n = static_cast<std::size_t>(pattern[++i] - '1');
      if (n < args.size()) text += *(args.begin() + n);
    } else {
      text += c;
    }
  }
  return text;
}

}  // namespace ws
