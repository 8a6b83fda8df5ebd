# An event study in shards on a private single-node Slurm cluster started for the test (root only:
# munged and slurmd run as root; exit 77 skips the test elsewhere).
add_test(NAME slurm_study_cluster
         COMMAND /bin/bash ${CMAKE_SOURCE_DIR}/tests/integration/slurm_study_test.sh
                 ${CMAKE_SOURCE_DIR} ${CMAKE_BINARY_DIR})
set_tests_properties(slurm_study_cluster PROPERTIES LABELS integration TIMEOUT 300 RUN_SERIAL TRUE
                     SKIP_RETURN_CODE 77)
