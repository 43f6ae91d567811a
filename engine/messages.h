// Every text the engine shows, in one place: a message is named by its id,
// has a kind (the box it appears in) and a pattern whose "%1", "%2" are put in
// from the arguments. The manual lists every message; AllMessages() lets a
// test check that none is missing there.
#pragma once

#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

#include "host.h"

namespace ws {

enum class MessageId {
  // The run and its files.
  BuildFileComplete,
  BuildStopped,
  UnexpectedFailure,
  CannotOpenFile,
  CannotCreateFile,
  GrammarFileDamaged,
  FolderDoesNotExist,
  TooManyNestedRuns,
  TooManyTagBlocks,
  // Data files and variables.
  NoSuchVariable,
  NoSuchColumnNumber,
  NoSuchColumnName,
  TooManyDataSets,
  TooManyVariables,
  VariableNotDeclared,
  // Tags.
  NoEndForTag,
  NoTagInFile,
  NoEndForTagInFile,
  // The line checker: the command word and the line number are the arguments
  // (%1 and %2), whether the text names the word or not.
  ClosingQuoteMissing,
  InvalidFieldNumber,
  TooManyParameters,
  AtLeastOneParameter,
  NoParameters,
  FirstParameterNotVariable,
  MissingIsOrIsnot,
  NoSecondIfParameter,
  MissingThen,
  MissingCommand,
  // The scanner: the sign found and the line number (%1 and %2).
  SlashExpected,
  DashExpected,
  DateTimeMisspelled,
  SyntaxErrorOnLine,
  BadSymbol,
  // The parser: the document's text, and a nested build file's (%1 its path).
  IllegalComma,
  IllegalCommaInFile,
  MissingEnd,
  MissingEndAfterElse,
  MissingEndInFile,
  TooMuchParameters,
  TooMuchParametersInFile,
  TooMuchEnd,
  TooMuchEndInFile,
  TagWithoutBody,
  TagWithoutBodyInFile,
  SyntaxError,
  SyntaxErrorInFile,
  ParseStackFull,
  TooManyInstructions,
  // What is wrong in a damaged grammar file (the detail of GrammarFileDamaged).
  GrammarSymbolWithoutCode,
  GrammarCodeOutOfRange,
  GrammarSymbolMissing,
  GrammarBadRelation,
  GrammarTooManyRules,
  GrammarNotNumbers,
  GrammarNotSevenNumbers,
  GrammarBadLeftSymbol,
  GrammarBadRuleLength,
  GrammarBadRightSymbol,
  GrammarRightSymbolNotZero,
  GrammarTooFewRules,
  GrammarEndlessReduction,
  // Parts of other texts: the cause of an unexpected failure, the window title
  // and the progress window of a run (a name wrapped at the minute keeps no blank).
  OutOfMemory,
  UnknownException,
  RunningTitle,
  RunningProgress,
  RunningProgressWrapped,
  Count
};

struct MessageInfo {
  MessageId id;
  MessageKind kind;
  std::string_view pattern;
};

// Every message, in the order of MessageId.
std::span<const MessageInfo> AllMessages();

// The pattern of id with each "%n" replaced by the n-th argument.
std::string MessageText(MessageId id, std::initializer_list<std::string_view> args = {});

MessageKind KindOf(MessageId id);

}  // namespace ws
