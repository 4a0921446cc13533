#pragma once

// What a destructor gives back to the host goes back without a word: the
// host's answer is not heard, and nothing may leave a destructor (the command
// may be unwinding already). The give-back is made once: a host call that
// throws may have done its work before throwing, and making it again could
// release the same thing twice.

template <class Call>
void give_back_quietly(Call&& call) noexcept {
  try {
    call();
  } catch (...) {
  }
}
