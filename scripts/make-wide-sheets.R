# Writes sheets of more than 31 explanatory columns from the Sonar data of
# the mlbench package (208 rows, 60 bands of a sonar return): band V20 as y,
# the first k of the other bands as x1 … xk, y last (the layout of
# scripts/leaps-per-size.R). Doubles printed to 17 significant digits.
#
#   Rscript scripts/make-wide-sheets.R DIRECTORY K...    writes DIRECTORY/sonar<k>.csv
args <- commandArgs(TRUE)
suppressMessages(library(mlbench))
data(Sonar, package = "mlbench")
bands <- setdiff(paste0("V", 1:60), "V20")
for (k in as.integer(args[-1])) {
  x <- Sonar[, bands[seq_len(k)]]
  names(x) <- paste0("x", seq_len(k))
  x$y <- Sonar$V20
  for (column in names(x)) x[[column]] <- trimws(formatC(x[[column]], digits = 17, format = "g"))
  write.csv(x, file.path(args[1], paste0("sonar", k, ".csv")), row.names = FALSE, quote = FALSE)
}
