// NFA construction from the parse tree.
//
// The walk keeps its pending work on an explicit stack instead of recursing:
// a long literal is a left-deep chain of concatenations as deep as the
// pattern is long. Tasks are pushed so that they pop in the order a
// recursive walk would run them (left child before right child, a closure's
// closing transitions after its body), which keeps the state numbering and
// the order of every transition list identical to that walk.
//
// A shared sub-tree is walked once per parent, so nested "+" operators double
// the work at each level; the walk stops with a "too complex" error once the
// automaton passes kMaxStates states or kMaxTransitions transitions.
#include "regex/automata/nfa.h"

#include <cstring>

#include "platform/exception.h"

namespace tamsel {

namespace {

const char kCannotHappen[] = "This cannot happen in TRE_NFA.GenerateStateList";

[[noreturn]] void RaiseTooComplex() {
  // The size of the automaton is a property of the whole pattern, not of one
  // place in it, so no position is given.
  throw ERegExpParser(msg::PatternTooComplex(), 0);
}

}  // namespace

TRE_NFA::TRE_NFA(TREParser* Parser, WChar LHeadWChar, WChar LTailWChar)
    : Parser(Parser), LHeadWChar(LHeadWChar), LTailWChar(LTailWChar) {}

void TRE_NFA::Run() {
  EntryState = NumberNode();
  ExitState = NumberNode();
  GenerateStateList(Parser->ParseTree.pHeadNode, EntryState, ExitState);
}

int32_t TRE_NFA::NumberNode() {
  if (StateList.size() >= kMaxStates) RaiseTooComplex();
  StateList.emplace_back();
  return static_cast<int32_t>(StateList.size() - 1);
}

void TRE_NFA::AddTransition(int32_t From, int32_t To, RECharClass_t CharClass) {
  if (FTransitionCount >= kMaxTransitions) RaiseTooComplex();
  StateList[From].push_front(RE_NFANode_t{CharClass, To});
  ++FTransitionCount;
}

void TRE_NFA::GenerateStateList(REpNode_t pNode, int32_t Entry, int32_t Exit) {
  // Walk: build the sub-pattern of Node from Entry to Exit.
  // CloseLoop: the transitions a closure adds after its body, with
  // Entry = loop state a, Exit = body exit b, Out = the closure's exit.
  enum TaskKind : uint8_t { kWalk, kCloseLoop };
  struct Task {
    TaskKind Kind;
    REpNode_t Node;
    int32_t Entry;
    int32_t Exit;
    int32_t Out;
  };
  std::vector<Task> stack;
  stack.push_back({kWalk, pNode, Entry, Exit, 0});

  while (!stack.empty()) {
    const Task task = stack.back();
    stack.pop_back();
    if (task.Kind == kCloseLoop) {
      AddTransition(task.Exit, task.Entry, CONST_EMPTYCharClass);
      AddTransition(task.Entry, task.Out, CONST_EMPTYCharClass);
      continue;
    }
    const REpNode_t node = task.Node;
    // The parser always delivers a complete tree; a missing node is a fault
    // of the caller, reported like an unknown operation instead of crashing.
    if (node == nullptr) throw Exception(kCannotHappen);
    switch (node->Op) {
      case reop_Char:
        AddTransition(task.Entry, task.Exit, node->CharClass);
        break;
      case reop_LHead:
        // A line-head anchor is a line start only when nothing can be
        // consumed before it, i.e. when it leaves the automaton's entry.
        if (task.Entry == EntryState) {
          HasLHead = true;
          AddTransition(task.Entry, task.Exit, RECharClass_t{LHeadWChar, LHeadWChar});
        } else {
          AddTransition(task.Entry, task.Exit, node->CharClass);
        }
        break;
      case reop_LTail:
        if (task.Exit == ExitState) {
          HasLTail = true;
          AddTransition(task.Entry, task.Exit, RECharClass_t{LTailWChar, LTailWChar});
        } else {
          AddTransition(task.Entry, task.Exit, node->CharClass);
        }
        break;
      case reop_Concat: {
        if (node->Children.pLeft == nullptr || node->Children.pRight == nullptr) {
          throw Exception(kCannotHappen);
        }
        const int32_t m = NumberNode();
        stack.push_back({kWalk, node->Children.pRight, m, task.Exit, 0});
        stack.push_back({kWalk, node->Children.pLeft, task.Entry, m, 0});
        break;
      }
      case reop_Union:
        if (node->Children.pLeft == nullptr || node->Children.pRight == nullptr) {
          throw Exception(kCannotHappen);
        }
        stack.push_back({kWalk, node->Children.pRight, task.Entry, task.Exit, 0});
        stack.push_back({kWalk, node->Children.pLeft, task.Entry, task.Exit, 0});
        break;
      case reop_Closure: {
        if (node->Children.pLeft == nullptr) throw Exception(kCannotHappen);
        const int32_t a = NumberNode();
        const int32_t b = NumberNode();
        AddTransition(task.Entry, a, CONST_EMPTYCharClass);
        stack.push_back({kCloseLoop, nullptr, a, b, task.Exit});
        stack.push_back({kWalk, node->Children.pLeft, a, b, 0});
        break;
      }
      case reop_Empty:
        AddTransition(task.Entry, task.Exit, CONST_EMPTYCharClass);
        break;
      default:
        throw Exception(kCannotHappen);
    }
  }
}

TRE_NFAStateSet::TRE_NFAStateSet(int32_t StateMax)
    : pArray(static_cast<size_t>(StateMax / 8 + 1), 0), ArraySize(StateMax / 8 + 1) {}

bool TRE_NFAStateSet::Equals(const TRE_NFAStateSet& Other) const {
  if (Other.ArraySize != ArraySize) return false;
  return std::memcmp(pArray.data(), Other.pArray.data(), static_cast<size_t>(ArraySize)) == 0;
}

}  // namespace tamsel
