#pragma once

// What a destructor gives back to the host goes back without a word: the
// host's answer is not heard, and nothing may leave a destructor (the command
// may be unwinding already). A host call that throws is taken to have done
// nothing, so the give-back is made once more; a second throw is let go.

template <class Call>
void give_back_quietly(Call&& call) noexcept {
  for (int attempt = 0; attempt < 2; ++attempt) {
    try {
      call();
      return;
    } catch (...) {
    }
  }
}
