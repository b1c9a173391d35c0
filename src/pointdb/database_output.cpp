#include "pointdb/database_output.h"

DatabaseOutput& Output() {
    static DatabaseOutput output;
    return output;
}
