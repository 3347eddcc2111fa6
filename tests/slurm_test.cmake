# contrib/slurm/submit-sweep on a single-node Slurm of the test's own; skipped (exit 77) where it
# cannot start one (not root, slurm-wlm or munge missing), except under CI=true.
add_test(NAME slurm_submit_sweep
  COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/slurm_test.sh
          ${PROJECT_SOURCE_DIR}/contrib/slurm/submit-sweep $<TARGET_FILE:segsim-cli>)
set_tests_properties(slurm_submit_sweep PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 120)
