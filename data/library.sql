-- The empty song library ("Database.new"): one table of songs. Text
-- comparisons and sorting ignore letter case, as users expect of names; the
-- file path keeps its case, since two paths that differ only in case are two
-- files. The unique index on the path is what makes a song "already there".
CREATE TABLE "All Songs" (
  Name TEXT COLLATE NOCASE,
  Author TEXT COLLATE NOCASE,
  Category TEXT COLLATE NOCASE,
  TRANSPOSE INTEGER,
  MidiFile TEXT
);
CREATE UNIQUE INDEX "MidiFile" ON "All Songs" (MidiFile);
