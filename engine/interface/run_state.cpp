#include "interface/run_state.h"

RunState& runState() {
    static RunState state;
    return state;
}
