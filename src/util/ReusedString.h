#pragma once

#include <cstddef>
#include <string>
#include <utility>

namespace tolmix {

// A string whose memory outlives each use, so that a steady stream of lines costs no
// allocation: a use borrows it, empty, and gives it back when the loan ends. A use nested in
// another (a plugin's pass of the loop inside a line's handling) finds it lent and gets an empty
// one of its own; the memory of a huge line is not kept.
class ReusedString {
  public:
    class Loan {
      public:
        explicit Loan(ReusedString& owner) : Owner(owner), Text(std::move(owner.Kept)) {
            Text.clear();
        }
        ~Loan() {
            if (Text.capacity() <= MostKept)
                Owner.Kept = std::move(Text);
        }
        Loan(const Loan&) = delete;
        Loan& operator=(const Loan&) = delete;

        std::string& operator*() { return Text; }
        std::string* operator->() { return &Text; }

      private:
        ReusedString& Owner;
        std::string Text;
    };

    Loan Borrow() { return Loan(*this); }

  private:
    static constexpr std::size_t MostKept = 64 * 1024;
    std::string Kept;
};

} // namespace tolmix
