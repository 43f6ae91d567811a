#include "commands.h"

namespace ws {

std::string_view OpText(Op op) {
  switch (op) {
    case Op::None:
      return "";
    case Op::Set:
      return "set";
    case Op::Run:
      return "run";
    case Op::New:
      return "new";
    case Op::IncludeFile:
      return "include1";
    case Op::IncludeTag:
      return "include2";
    case Op::TagBlock:
      return "tag1";
    case Op::TagValue:
      return "tag2";
    case Op::Repeat:
      return "repeat";
    case Op::EndNew:
      return "endnew";
    case Op::EndTag:
      return "endtag";
    case Op::RepeatTest:
      return "JMPRep";
    case Op::RepeatStep:
      return "ADD";
    case Op::IfIs:
      return "IfIs";
    case Op::IfIsNot:
      return "IfIsNot";
    case Op::JumpIfIs:
      return "JMPIfIs";
    case Op::JumpIfIsNot:
      return "JMPIfIsNot";
    case Op::Else:
      return "else";
    case Op::EndIf:
      return "EndIfEnd";
    case Op::FieldByName:
      return ":Str";
    case Op::FieldByNumber:
      return ":Numb";
    case Op::Variable:
      return "ID";
    case Op::Date:
      return "date";
    case Op::Time:
      return "time";
    case Op::Stop:
      return "STP";
  }
  return "";
}

}  // namespace ws
