"""The Dask client an extraction runs on, and what to close after it."""

from __future__ import annotations

from typing import Any

from ._many import usable_cores


class ClusterError(RuntimeError):
    """The cluster could not run the extraction: no scheduler, a closed client,
    a scheduler lost during the run, or a partition that kept failing."""


class Connection:
    """The client to use, and what to close afterwards."""

    def __init__(self, client: Any, connect_timeout: float) -> None:
        import distributed

        self.cluster: Any = None
        self.owned = False
        self.connect_timeout = connect_timeout
        if client is None:
            self.cluster = distributed.LocalCluster(
                n_workers=usable_cores(), threads_per_worker=1, processes=True,
                dashboard_address="127.0.0.1:0")
            self.client = distributed.Client(self.cluster, timeout=connect_timeout)
            self.owned = True
        elif isinstance(client, str):
            try:
                self.client = distributed.Client(client, timeout=connect_timeout)
            except (OSError, TimeoutError) as error:
                raise ClusterError(f"no Dask scheduler answered at {client} within "
                                   f"{connect_timeout:g} s: {error}") from error
            self.owned = True
        elif isinstance(client, distributed.Client):
            if client.status != "running":
                raise ClusterError(f"the Dask client is {client.status}, not running")
            self.client = client
        else:
            raise TypeError("client must be None, a scheduler address or a distributed.Client, "
                            "not " + type(client).__name__)

    def close(self) -> None:
        try:
            if self.owned:
                self.client.close(timeout=self.connect_timeout)
            if self.cluster is not None:
                self.cluster.close(timeout=self.connect_timeout)
        except Exception:  # noqa: BLE001 - a scheduler that is gone cannot be told
            pass


def worker_threads(client: Any) -> int:
    try:
        workers = client.scheduler_info().get("workers", {})
        return max(1, sum(int(w.get("nthreads", 1)) for w in workers.values()))
    except Exception:  # noqa: BLE001 - only sizes the window of tasks in flight
        return 1


