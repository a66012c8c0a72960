// Counts the answers given in this window; the client shares them between contacts.
const counts = { yes: 0, no: 0 };
for (const button of document.querySelectorAll("[data-answer]")) {
  button.addEventListener("click", () => {
    counts[button.dataset.answer] += 1;
    document.getElementById("results").innerHTML =
      `<li>Pizza: ${counts.yes}</li><li>Pasta: ${counts.no}</li>`;
  });
}
