# Sourced by the sanitizer scripts: every finding ends its process and is written to a report
# file under $VOQ_SANITIZER_REPORTS, also in processes whose output a test does not show.
: "${VOQ_SANITIZER_REPORTS:?}"
sanitizers_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
export ASAN_OPTIONS="log_path=$VOQ_SANITIZER_REPORTS/asan:detect_leaks=1:strict_init_order=1:detect_stack_use_after_return=1:check_initialization_order=1"
export LSAN_OPTIONS="suppressions=$sanitizers_dir/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="log_path=$VOQ_SANITIZER_REPORTS/ubsan:print_stacktrace=1:halt_on_error=1"

# Prints the reports; succeeds when there is at least one.
sanitizer_reports_found() {
    local status=1
    for report in "$VOQ_SANITIZER_REPORTS"/*; do
        [ -e "$report" ] || continue
        cat "$report" >&2
        status=0
    done
    return $status
}
