#include "tag/mt_routines.h"

bool mt_routine_supported(const MtRoutineEntry& routine) {
    return (cpu_feature_bits() & routine.needs) == routine.needs;
}

const MtRoutineEntry& mt_widest_routine() {
    // The scalar default, upgraded by each wider entry that the feature word
    // allows; the word is worked out once per process.
    const std::int32_t features = cpu_feature_bits();
    const MtRoutineEntry* widest = &kMtRoutines[0];
    for (const MtRoutineEntry& routine : kMtRoutines) {
        if ((features & routine.needs) == routine.needs) widest = &routine;
    }
    return *widest;
}
