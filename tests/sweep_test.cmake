# segsim-cli sweep and merge: in process, and the built program run as a person runs it.
segsim_test(sweep_test sweep_test.cpp sweep_merge_test.cpp merge_strict_test.cpp
            sweep_params_test.cpp sweep_cli_test.cpp sweep_test_util.h cli_process.h
            LINK segsim::cli_core)
target_compile_definitions(sweep_test PRIVATE SEGSIM_CLI="$<TARGET_FILE:segsim-cli>")
add_dependencies(sweep_test segsim-cli)
