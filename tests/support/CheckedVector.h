#pragma once

#include <stdexcept>
#include <string>
#include <vector>

namespace tillery::test {

// A vector whose [] checks the index: a test that reads past the end of what a run wrote
// fails with a message (the test framework catches the exception) instead of ending the
// whole test program.
template <typename T>
class CheckedVector : public std::vector<T> {
public:
    using std::vector<T>::vector;

    T& operator[](std::size_t i) { return checked(*this, i); }
    const T& operator[](std::size_t i) const { return checked(*this, i); }

private:
    template <typename Self>
    static auto& checked(Self& self, std::size_t i)
    {
        if (i >= self.size()) {
            throw std::out_of_range("index " + std::to_string(i) + " of a list of " +
                                    std::to_string(self.size()));
        }
        return self.at(i);
    }
};

}  // namespace tillery::test
