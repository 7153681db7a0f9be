#pragma once
// A program state with a scripted shell and a chosen device list.

#include <string>
#include <utility>
#include <vector>

#include "document/NewOrchestra.h"
#include "tests/FakeShell.h"

namespace tambrel::test {

struct TestState {
    FakeShell shell;
    ProgramState st{shell};

    explicit TestState(std::vector<std::pair<std::string, int>> devices = {{"Keyboard", 128}, {"Mouse", 8}}) {
        for (auto& [name, keys] : devices) {
            InputDevice d;
            d.Name = name;
            d.Ready = true;
            d.KeyCount = keys;
            st.InputDevices.push_back(d);
        }
        st.views.Listen(&shell);
        st.Orc = NewOrchestra(st);
    }
};

} // namespace tambrel::test
