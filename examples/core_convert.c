/* Reads a GPX file and writes its points, routes and tracks unchanged as
 * GeoJSON and as the handheld's databases, one database per set (a
 * database holds one): OUT.pdb for the first set, OUT-2.pdb for the next.
 * Usage: core_convert IN.gpx OUT.geojson OUT.pdb */
#include <stdio.h>
#include <string.h>

#include <vezuved/vezuved_core.h>

static int fail(vezuved_collection* collection, int32_t code) {
    fprintf(stderr, "core_convert: %s (%d)\n", vezuved_error_message(collection), (int)code);
    vezuved_collection_free(collection);
    return 1;
}

int main(int argc, char** argv) {
    if (argc != 4 || strlen(argv[3]) < 4 || strlen(argv[3]) > 200) {
        fprintf(stderr, "usage: core_convert IN.gpx OUT.geojson OUT.pdb\n");
        return 2;
    }
    vezuved_collection* collection = vezuved_collection_new();
    if (collection == NULL) return 1;
    int32_t code = vezuved_read(collection, argv[1], NULL);
    if (code != VEZUVED_OK) return fail(collection, code);
    for (int32_t i = 0; i < vezuved_warning_count(collection); ++i) {
        vezuved_warning warning;
        if (vezuved_get_warning(collection, i, &warning) == VEZUVED_OK) {
            fprintf(stderr, "core_convert: %s\n", warning.message);
        }
    }
    code = vezuved_write(collection, argv[2], NULL);
    if (code != VEZUVED_OK) return fail(collection, code);
    for (int32_t set = 0; set < vezuved_set_count(collection); ++set) {
        char path[256];
        const int base = (int)strlen(argv[3]) - 4; /* without ".pdb" */
        if (set == 0) {
            snprintf(path, sizeof path, "%s", argv[3]);
        } else {
            snprintf(path, sizeof path, "%.*s-%d.pdb", base, argv[3], (int)set + 1);
        }
        vezuved_write_options options = {0};
        options.one_set = 1;
        options.set_index = set;
        code = vezuved_write(collection, path, &options);
        if (code != VEZUVED_OK) return fail(collection, code);
        printf("%s: %s, %lld point(s)\n",
               path,
               vezuved_set_name(collection, set),
               (long long)vezuved_set_point_count(collection, set));
    }
    vezuved_collection_free(collection);
    return 0;
}
